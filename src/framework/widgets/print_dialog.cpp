// The framework's print dialog on Qt widgets, listing the printer table rather than Qt's CUPS
// queues alone.
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include <vector>

#include "framework/widgets/application.h"
#include "framework/widgets/print_setup.h"
#include "framework/widgets/wnd_internal.h"
#include "platform/printers.h"

namespace tessaly::framework {

namespace {

constexpr int kLastPage = 9999;
constexpr int kMostCopies = 999;

QSpinBox* spinBox(const char* name, int most) {
    auto* box = new QSpinBox;
    box->setObjectName(QLatin1String(name));
    box->setRange(1, most);
    return box;
}

} // namespace

bool ShowPrintDialog(PrintChoice& choice, bool pageRange) {
    EnsureApplication();
    const std::vector<platform::PrinterEntry> printers = platform::ListPrinters();
    // Names of the printer table compare without regard to case.
    const CString wanted = choice.printer.IsEmpty() ? DefaultPrinter() : choice.printer;

    QDialog dialog(QApplication::activeWindow());
    dialog.setObjectName(QStringLiteral("PrintDialog"));
    dialog.setWindowTitle(QStringLiteral("Print"));
    auto* layout = new QVBoxLayout(&dialog);

    auto* printerBox = new QGroupBox(QStringLiteral("Printer"));
    auto* printerForm = new QFormLayout(printerBox);
    auto* names = new QComboBox;
    names->setObjectName(QStringLiteral("Printer"));
    auto* driver = new QLabel;
    driver->setObjectName(QStringLiteral("Driver"));
    auto* port = new QLabel;
    port->setObjectName(QStringLiteral("Port"));
    auto* toFile = new QCheckBox(QStringLiteral("Print to fi&le"));
    toFile->setObjectName(QStringLiteral("PrintToFile"));
    printerForm->addRow(QStringLiteral("&Name:"), names);
    printerForm->addRow(QStringLiteral("Type:"), driver);
    printerForm->addRow(QStringLiteral("Where:"), port);
    printerForm->addRow(toFile);
    layout->addWidget(printerBox);

    for (const platform::PrinterEntry& printer : printers) {
        names->addItem(FromAnsi(printer.name.c_str()));
        if (wanted.CompareNoCase(printer.name.c_str()) == 0)
            names->setCurrentIndex(names->count() - 1);
    }
    auto showPrinter = [&](int index) {
        const bool known = index >= 0 && index < static_cast<int>(printers.size());
        driver->setText(known ? FromAnsi(printers[index].driver.c_str()) : QString());
        port->setText(known ? FromAnsi(printers[index].port.c_str()) : QString());
    };
    showPrinter(names->currentIndex());
    QObject::connect(names, &QComboBox::currentIndexChanged, &dialog, showPrinter);
    if (printers.empty()) {
        // Nothing to choose: the pages can only go into a file.
        names->setEnabled(false);
        toFile->setChecked(true);
        toFile->setEnabled(false);
    }

    auto* rangeBox = new QGroupBox(QStringLiteral("Print range"));
    auto* rangeLayout = new QHBoxLayout(rangeBox);
    auto* all = new QRadioButton(QStringLiteral("&All"));
    all->setObjectName(QStringLiteral("AllPages"));
    all->setChecked(true);
    auto* some = new QRadioButton(QStringLiteral("Pa&ges"));
    some->setObjectName(QStringLiteral("SomePages"));
    QSpinBox* from = spinBox("FromPage", kLastPage);
    QSpinBox* to = spinBox("ToPage", kLastPage);
    // The range never runs backwards.
    QObject::connect(from, &QSpinBox::valueChanged, to, &QSpinBox::setMinimum);
    for (QSpinBox* end : {from, to}) {
        end->setEnabled(false);
        QObject::connect(some, &QRadioButton::toggled, end, &QWidget::setEnabled);
    }
    rangeLayout->addWidget(all);
    rangeLayout->addWidget(some);
    rangeLayout->addWidget(from);
    rangeLayout->addWidget(new QLabel(QStringLiteral("to")));
    rangeLayout->addWidget(to);
    rangeBox->setVisible(pageRange);
    layout->addWidget(rangeBox);

    auto* copiesForm = new QFormLayout;
    QSpinBox* copies = spinBox("Copies", kMostCopies);
    copies->setValue(choice.copies);
    copiesForm->addRow(QStringLiteral("Number of &copies:"), copies);
    layout->addLayout(copiesForm);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    buttons->button(QDialogButtonBox::Ok)->setObjectName(QStringLiteral("OK"));
    buttons->button(QDialogButtonBox::Cancel)->setObjectName(QStringLiteral("Cancel"));
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    layout->addWidget(buttons);

    if (dialog.exec() != QDialog::Accepted) return false;
    const int index = names->currentIndex();
    choice.printer = index >= 0 && index < static_cast<int>(printers.size())
                         ? CString(printers[index].name.c_str())
                         : CString();
    choice.toFile = toFile->isChecked();
    const bool range = pageRange && some->isChecked();
    choice.fromPage = range ? static_cast<UINT>(from->value()) : 0;
    choice.toPage = range ? static_cast<UINT>(to->value()) : 0;
    choice.copies = copies->value();
    return true;
}

} // namespace tessaly::framework
