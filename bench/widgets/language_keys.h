#pragma once
// Sets the language text of every widget that carries a language key (buttons, labels, group
// boxes, and the window title of the root itself).
#include <QWidget>

#include "bench/core/language.h"

namespace norvane::bench {

void ApplyLanguageKeys(QWidget* root, const Language& language);

}  // namespace norvane::bench
