// Turns LV2 control settings into the effect's own 0-to-1 values, as the
// renderer's options: what the DLL must be given to sound as the LV2
// plug-in does with the same controls.
//
//   velorin2-port-values cutoff=1672 voices=4 ...
//   --set Cutoff=0.100000001 --set Voices=1
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "chorus/ParameterTable.h"
#include "lv2/Lv2Ports.h"

int main(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        const char* equals = std::strchr(argv[i], '=');
        const lv2port::ControlPort* port = nullptr;
        if (equals) {
            const std::string symbol(argv[i], static_cast<std::size_t>(equals - argv[i]));
            for (int k = 0; k < lv2port::kControlCount; ++k)
                if (symbol == lv2port::controlPorts()[k].symbol) port = &lv2port::controlPorts()[k];
        }
        if (!port) {
            std::fprintf(stderr, "%s: not a control setting: %s (give SYMBOL=VALUE)\n", argv[0], argv[i]);
            return 2;
        }
        const float value = port->toEffectValue(std::strtof(equals + 1, nullptr));
        std::printf("%s--set %s=%.9g", i > 1 ? " " : "", chorus::parameterInfo(port->parameter)->name,
                    static_cast<double>(value));
    }
    std::printf("\n");
    return 0;
}
