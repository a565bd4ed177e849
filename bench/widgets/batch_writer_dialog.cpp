#include "bench/widgets/batch_writer_dialog.h"

#include <QFileDialog>
#include <chrono>
#include <thread>

#include "bench/widgets/language_keys.h"
#include "ui_batch_writer_dialog.h"

namespace norvane::bench {

namespace {

constexpr const char* kDefaultSuffix = "Script";

// The file dialog of Import (the file must exist) or Export.
QString AskFile(QWidget* parent, const Language& language, bool open) {
    QFileDialog dialog(parent);
    dialog.setNameFilters({QString::fromStdString(language.Lookup("IDS_BW_CSV_FILTER")),
                           QString::fromStdString(language.Lookup("IDS_BW_ALL_FILTER"))});
    dialog.setDefaultSuffix(kDefaultSuffix);
    dialog.setAcceptMode(open ? QFileDialog::AcceptOpen : QFileDialog::AcceptSave);
    dialog.setFileMode(open ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
    return dialog.selectedFiles().front();
}

}  // namespace

BatchWriterDialog::BatchWriterDialog(const SdkTable& sdk, const Language& language, UserMessages& messages,
                                     uint32_t gateway, int node, QWidget* parent)
    : QDialog(parent),
      ui_(std::make_unique<Ui::BatchWriterDialog>()),
      writer_(sdk, language, messages, gateway, node,
              [](int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }) {
    ui_->setupUi(this);
    ApplyLanguageKeys(this, language);
    auto text = [&](const char* key) { return QString::fromStdString(language.Lookup(key)); };
    ui_->list->setHeaderLabels(
        {text("IDS_Num"), text("IDS_Struct"), text("IDS_SetValue"), text("IDS_RESULT")});
    const int widths[] = {50, 100, 80, 200};
    for (int column = 0; column < 4; ++column) ui_->list->setColumnWidth(column, widths[column]);
    connect(ui_->importButton, &QPushButton::clicked, this, [this, &language] {
        if (const QString path = AskFile(this, language, true); !path.isEmpty()) Import(path);
    });
    connect(ui_->exportButton, &QPushButton::clicked, this, [this, &language] {
        // An empty list is reported before any file dialog.
        if (writer_.Rows().empty()) return Export({});
        if (const QString path = AskFile(this, language, false); !path.isEmpty()) Export(path);
    });
    connect(ui_->readButton, &QPushButton::clicked, this, [this] { Run(&BatchWriter::Read); });
    connect(ui_->writeButton, &QPushButton::clicked, this, [this] { Run(&BatchWriter::Write); });
    connect(ui_->eepromButton, &QPushButton::clicked, this, [this] { Run(&BatchWriter::WriteEeprom); });
    Show();
}

BatchWriterDialog::~BatchWriterDialog() = default;

void BatchWriterDialog::Import(const QString& path) {
    writer_.ImportFile(path.toStdString());
    Show();
}

void BatchWriterDialog::Export(const QString& path) {
    writer_.ExportFile(path.toStdString());
    Show();
}

void BatchWriterDialog::Run(void (BatchWriter::*operation)()) {
    (writer_.*operation)();
    Show();
}

void BatchWriterDialog::Show() {
    ui_->list->clear();
    const auto& rows = writer_.Rows();
    for (size_t i = 0; i < rows.size(); ++i)
        new QTreeWidgetItem(ui_->list,
                            {QString::number(i + 1), QString::fromStdString(rows[i].key),
                             QString::fromStdString(rows[i].value), QString::fromStdString(rows[i].result)});
    for (QPushButton* button : {ui_->exportButton, ui_->readButton, ui_->writeButton, ui_->eepromButton})
        button->setEnabled(writer_.ButtonsEnabled());
    ui_->infoLine->setText(QString::fromStdString(writer_.Info()));
}

}  // namespace norvane::bench
