#include "bench/widgets/dialog_support.h"

#include <QAbstractButton>
#include <QGroupBox>
#include <QMetaObject>

namespace norvane::bench {

void ApplyLanguageKeys(QWidget* root, const Language& language) {
    auto text = [&](QWidget* widget) {
        return Q(language.Lookup(widget->property("languageKey").toString().toStdString()));
    };
    if (root->property("languageKey").isValid()) root->setWindowTitle(text(root));
    for (QWidget* widget : root->findChildren<QWidget*>()) {
        if (!widget->property("languageKey").isValid()) continue;
        if (auto* button = qobject_cast<QAbstractButton*>(widget))
            button->setText(text(widget));
        else if (auto* label = qobject_cast<QLabel*>(widget))
            label->setText(text(widget));
        else if (auto* group = qobject_cast<QGroupBox*>(widget))
            group->setTitle(text(widget));
    }
}

void ShowLed(QLabel* label, Led state) {
    static const char* const kColours[] = {"#606060", "#20d020", "#e02020"};
    const auto index = static_cast<size_t>(state);
    label->setStyleSheet(QString("QLabel { background: %1; border-radius: 8px; }").arg(kColours[index]));
    label->setProperty("lit", state != Led::Dark);
}

void ShowLeds(const PortArray<QLabel*>& labels, const PortArray<bool>& levels, Led lit) {
    for (size_t k = 0; k < 8; ++k)
        if (labels[k]) ShowLed(labels[k], levels[k] ? lit : Led::Dark);
}

PostToUi PostTo(QObject* context, std::function<void()> after) {
    return [context, after](std::function<void()> f) {
        QMetaObject::invokeMethod(
            context,
            [f = std::move(f), after] {
                f();
                if (after) after();
            },
            Qt::QueuedConnection);
    };
}

}  // namespace norvane::bench
