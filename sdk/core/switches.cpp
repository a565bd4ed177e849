#include "sdk/core/switches.h"

namespace norvane::sdk {

Switches& GlobalSwitches() {
    static Switches switches;
    return switches;
}

}  // namespace norvane::sdk
