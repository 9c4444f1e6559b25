// The Java mail proxy as the mail client sees it: it notes how it was started in
// "mrpostman.log" of its working folder, opens its window (class
// "org.mrbook.mrpostman.gui.MrPostmanGui", title "MrPostMan") and serves until it is ended
// (at most two minutes, so a forgotten proxy does not stay).
package org.mrbook.mrpostman.gui;

import java.awt.Frame;
import java.io.FileWriter;
import java.io.IOException;
import java.lang.reflect.Field;
import java.nio.file.Paths;

public class MrPostmanGui {
    public static void main(String[] args) throws Exception {
        try (FileWriter log = new FileWriter("mrpostman.log", true)) {
            log.write("started in " + Paths.get("").toAbsolutePath() + "\n");
            for (String arg : args) log.write("argument " + arg + "\n");
        } catch (IOException e) {
            // the log is a courtesy; the proxy runs without it
        }
        java.awt.Toolkit toolkit = java.awt.Toolkit.getDefaultToolkit();
        // The window system class of the windows: the GUI class's full name, as the mail
        // client looks for it (the toolkit would put dashes for the dots).
        try {
            Field name = toolkit.getClass().getDeclaredField("awtAppClassName");
            name.setAccessible(true);
            name.set(null, MrPostmanGui.class.getName());
        } catch (ReflectiveOperationException | RuntimeException e) {
            // another toolkit: its own class name stays
        }
        Frame window = new Frame("MrPostMan");
        window.setSize(320, 120);
        window.setVisible(true);
        Thread.sleep(120_000);
        System.exit(0);
    }
}
