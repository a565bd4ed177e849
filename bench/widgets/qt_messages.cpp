#include "bench/widgets/qt_messages.h"

#include <QCoreApplication>
#include <QMessageBox>
#include <QMetaObject>
#include <QPushButton>
#include <QThread>
#include <utility>

namespace norvane::bench {

namespace {

// The standard buttons' texts in the window's language.
void Translate(QMessageBox& box, const Language* language) {
    if (!language) return;
    const std::pair<QMessageBox::StandardButton, const char*> keys[] = {
        {QMessageBox::Ok, "IDS_IDOK"},
        {QMessageBox::Yes, "IDS_YES"},
        {QMessageBox::No, "IDS_NO"},
        {QMessageBox::Cancel, "IDS_IDCANCEL"}};
    for (const auto& [which, key] : keys)
        if (QAbstractButton* button = box.button(which); button && language->Has(key))
            button->setText(QString::fromStdString(language->Lookup(key)));
}

void Box(QWidget* parent, const Language* language, QMessageBox::Icon icon, const std::string& caption,
         const std::string& body) {
    auto show = [parent, language, icon, caption = QString::fromStdString(caption),
                 body = QString::fromStdString(body)] {
        QMessageBox box(icon, caption, body, QMessageBox::Ok, parent);
        Translate(box, language);
        box.exec();
    };
    if (QThread::currentThread() == parent->thread())
        show();
    else
        QMetaObject::invokeMethod(parent, show, Qt::QueuedConnection);
}

}  // namespace

void QtMessages::Show(const std::string& caption, const std::string& body) {
    Box(parent_, language_, QMessageBox::Critical, caption, body);
}

void QtMessages::Inform(const std::string& caption, const std::string& body) {
    Box(parent_, language_, QMessageBox::NoIcon, caption, body);
}

Answer QtMessages::Ask(const std::string& caption, const std::string& body, bool withCancel) {
    if (QThread::currentThread() != parent_->thread()) return UserMessages::Ask(caption, body, withCancel);
    QMessageBox::StandardButtons buttons = QMessageBox::Yes | QMessageBox::No;
    if (withCancel) buttons |= QMessageBox::Cancel;
    QMessageBox box(withCancel ? QMessageBox::Question : QMessageBox::Warning,
                    QString::fromStdString(caption), QString::fromStdString(body), buttons, parent_);
    Translate(box, language_);
    switch (box.exec()) {
        case QMessageBox::Yes:
            return Answer::Yes;
        case QMessageBox::Cancel:
            return Answer::Cancel;
        default:
            return Answer::No;
    }
}

}  // namespace norvane::bench
