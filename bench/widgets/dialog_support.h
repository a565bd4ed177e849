#pragma once
// Helpers the device dialogs share: LED pictures, the port rows of a form (P1 ... P8 by object
// name), and posting a worker's result to the user-interface thread.
#include <QDialog>
#include <QLabel>
#include <QString>

#include "bench/core/language.h"
#include "bench/dialogs/device_target.h"
#include "bench/dialogs/io_ports.h"
#include "bench/widgets/language_keys.h"

namespace norvane::bench {

enum class Led { Dark, Input, Output };
/// Shows a level picture: input lit green, output lit red, dark grey. The label's "lit"
/// property tells tests what it shows.
void ShowLed(QLabel* label, Led state);
void ShowLeds(const PortArray<QLabel*>& labels, const PortArray<bool>& levels, Led lit);

/// The eight widgets named prefix1 ... prefix8 under root.
template <typename T>
PortArray<T*> PortWidgets(QWidget* root, const char* prefix) {
    PortArray<T*> widgets{};
    for (size_t k = 0; k < 8; ++k) widgets[k] = root->findChild<T*>(QString("%1%2").arg(prefix).arg(k + 1));
    return widgets;
}

/// Runs functions on context's thread; functions still queued when context is deleted are dropped.
PostToUi PostTo(QObject* context, std::function<void()> after = {});

inline QString Q(const std::string& text) {
    return QString::fromStdString(text);
}

}  // namespace norvane::bench
