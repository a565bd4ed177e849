#include "bench/widgets/dialog_support.h"

#include <QMetaObject>

namespace norvane::bench {

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
