#include "bench/widgets/qt_messages.h"

#include <QCoreApplication>
#include <QMessageBox>
#include <QMetaObject>
#include <QThread>

namespace norvane::bench {

namespace {

void Box(QWidget* parent, QMessageBox::Icon icon, const std::string& caption, const std::string& body) {
    auto show = [parent, icon, caption = QString::fromStdString(caption),
                 body = QString::fromStdString(body)] {
        QMessageBox box(icon, caption, body, QMessageBox::Ok, parent);
        box.exec();
    };
    if (QThread::currentThread() == parent->thread())
        show();
    else
        QMetaObject::invokeMethod(parent, show, Qt::QueuedConnection);
}

}  // namespace

void QtMessages::Show(const std::string& caption, const std::string& body) {
    Box(parent_, QMessageBox::Critical, caption, body);
}

void QtMessages::Inform(const std::string& caption, const std::string& body) {
    Box(parent_, QMessageBox::NoIcon, caption, body);
}

Answer QtMessages::Ask(const std::string& caption, const std::string& body, bool withCancel) {
    if (QThread::currentThread() != parent_->thread()) return UserMessages::Ask(caption, body, withCancel);
    QMessageBox::StandardButtons buttons = QMessageBox::Yes | QMessageBox::No;
    if (withCancel) buttons |= QMessageBox::Cancel;
    QMessageBox box(withCancel ? QMessageBox::Question : QMessageBox::Warning,
                    QString::fromStdString(caption), QString::fromStdString(body), buttons, parent_);
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
