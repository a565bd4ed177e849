#include "bench/widgets/language_keys.h"

#include <QAbstractButton>
#include <QGroupBox>
#include <QLabel>

namespace norvane::bench {

void ApplyLanguageKeys(QWidget* root, const Language& language) {
    auto text = [&](const QWidget* widget) {
        return QString::fromStdString(
            language.Lookup(widget->property("languageKey").toString().toStdString()));
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

}  // namespace norvane::bench
