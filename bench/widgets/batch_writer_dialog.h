#pragma once
// The parameter batch writer dialog: a thin view over the batch writer. The buttons ask for a
// file where they need one and run the writer's operation on the user-interface thread (the
// device waits block the dialog, as the operator expects of this tool); the list and the
// information line are shown again afterwards.
#include <QDialog>
#include <memory>

#include "bench/dialogs/batch_writer.h"

namespace Ui {
class BatchWriterDialog;
}

namespace norvane::bench {

class BatchWriterDialog : public QDialog {
    Q_OBJECT
public:
    BatchWriterDialog(const SdkTable& sdk, const Language& language, UserMessages& messages, uint32_t gateway,
                      int node, QWidget* parent = nullptr);
    ~BatchWriterDialog() override;
    BatchWriter& Writer() { return writer_; }
    Ui::BatchWriterDialog& Form() { return *ui_; }
    /// Imports or exports path as the buttons do after their file dialogs.
    void Import(const QString& path);
    void Export(const QString& path);

private:
    void Show();
    void Run(void (BatchWriter::*operation)());
    std::unique_ptr<Ui::BatchWriterDialog> ui_;
    BatchWriter writer_;
};

}  // namespace norvane::bench
