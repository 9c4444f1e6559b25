// tessaly comment show|parse, tessaly picture and tessaly view: hidden comments, pictures and
// prepared texts at the shell.
#include <tessaly/automation.h>
#include <tessaly/comments.h>
#include <tessaly/dialogs.h>

#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>

#include "commands.h"
#include "platform/files.h"
#include "platform/prefix.h"
#include "shell.h"

namespace pf = tessaly::platform;

namespace tessaly::cli {

namespace {

// A file named at the shell (POSIX) as the library names it; Fail when it does not exist.
std::string windowsPathOf(const std::string& command, const std::string& path) {
    std::error_code error;
    if (!std::filesystem::exists(path, error)) Fail(command, path + ": no such file");
    return pf::ToWindowsPath(std::filesystem::absolute(path, error).string());
}

} // namespace

void addCommentCommands(CLI::App& app) {
    CLI::App* comment = app.add_subcommand("comment", "hidden comments of documents");
    comment->require_subcommand(1);

    auto stored = std::make_shared<std::string>();
    auto mode = std::make_shared<int>(0);
    CLI::App* show = comment->add_subcommand("show", "open a stored comment in the comment dialog");
    show->add_option("TEXT", *stored, "the stored comment text ([ALL]..., [user]...)");
    show->add_option("--mode", *mode, "0 edits the stored comment (default), 1 starts a new one");
    show->callback([stored, mode] {
        StartApplication("comment show", false);
        CString text = ToAnsi("comment show", *stored).c_str(), tag, other;
        DWORD colour = 0;
        CByteArray voice;
        int hasVoice = 0;
        CStringArray temporary;
        const int result =
            ShowCommentDlg(*mode, text, colour, tag, voice, hasVoice, other, &temporary);
        for (int i = 0; i < temporary.GetSize(); ++i)
            pf::DeleteFileA(temporary[i]);
        std::printf("result %d\n", result);
        if (result != 1) return;
        std::printf("comment %s\nreviewer %s\ncolour 0x%06X\nvoice %d\nother %s\n",
                    FromAnsi(text.str()).c_str(), FromAnsi(tag.str()).c_str(), colour, hasVoice,
                    FromAnsi(other.str()).c_str());
    });

    auto parsed = std::make_shared<std::string>();
    CLI::App* parse =
        comment->add_subcommand("parse", "the current user's text of a stored comment");
    parse->add_option("TEXT", *parsed, "the stored comment text")->required();
    parse->callback([parsed] {
        CString other;
        const CString mine = GetReviewerComment(ToAnsi("comment parse", *parsed).c_str(), other);
        std::printf("reviewer %s\nother %s\n", FromAnsi(mine.str()).c_str(),
                    FromAnsi(other.str()).c_str());
    });

    auto pictureFile = std::make_shared<std::string>();
    CLI::App* picture = app.add_subcommand("picture", "size and format of a picture file");
    picture->add_option("FILE", *pictureFile, "a BMP, JPEG, GIF, PNG or ICO file")->required();
    picture->callback([pictureFile] {
        const std::string path = windowsPathOf("picture", *pictureFile);
        StartApplication("picture", false);
        // The loader's message box is answered here and its text becomes the failure's.
        auto shown = std::make_shared<std::string>();
        automation::SetMessageBoxHandler([shown](const automation::MessageBoxInfo& box) {
            *shown = FromAnsi(box.text);
            return 1;
        });
        IPicture* loaded = nullptr;
        const int result = LoadPictureFile(path.c_str(), &loaded);
        automation::SetMessageBoxHandler(nullptr);
        if (!result || !loaded) Fail("picture", *pictureFile + ": " + *shown);
        const char* format = "";
        LONG width = 0, height = 0, w = 0, h = 0;
        loaded->get_Format(&format);
        loaded->get_PixelSize(&width, &height);
        loaded->get_Width(&w);
        loaded->get_Height(&h);
        std::printf("format %s\npixels %d x %d\nhimetric %d x %d\n", format, width, height, w, h);
        loaded->Release();
    });

    auto viewFile = std::make_shared<std::string>();
    auto window = std::make_shared<bool>(false);
    CLI::App* view = app.add_subcommand(
        "view", "a prepared text as the viewer gives it (version texts brought up to date)");
    view->add_option("FILE", *viewFile,
                     "a text file; with --window, a file name inside the installation folder")
        ->required();
    view->add_flag("--window", *window, "show it in the viewer dialog instead (first 4,096 bytes)");
    view->callback([viewFile, window] {
        if (*window) {
            StartApplication("view", false);
            ScrollMessage(ToAnsi("view", *viewFile).c_str());
            return;
        }
        const CString text = GetShowText(windowsPathOf("view", *viewFile).c_str());
        std::fwrite(FromAnsi(text.str()).data(), 1, FromAnsi(text.str()).size(), stdout);
    });
}

} // namespace tessaly::cli
