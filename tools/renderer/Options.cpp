#include "tools/renderer/Options.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>

const char* const kUsage =
    "usage: velorin-render [options] INPUT.wav OUTPUT.wav\n"
    "       velorin-render --list [--program N] [--set NAME=VALUE]... [--plugin PATH]\n"
    "\n"
    "Renders a WAV file (16, 24 or 32-bit PCM or 32-bit float, mono or stereo) through a\n"
    "VST 2 effect into a stereo WAV file; a mono input feeds both of the effect's inputs.\n"
    "\n"
    "  --program N         use program N (counted from 0)\n"
    "  --set NAME=VALUE    set a parameter, by name (any case) or index, to a value from 0 to 1;\n"
    "                      applied in order, after --program\n"
    "  --process           call the effect's accumulating process()\n"
    "  --replacing         call processReplacing() (the default when the effect offers it)\n"
    "  --block N           frames per processing call (default 512)\n"
    "  --float             write 32-bit float output (the default)\n"
    "  --pcm16             write 16-bit PCM output (rounded to nearest, ties to even; clipped)\n"
    "  --plugin PATH       the effect DLL (default: Velorin2.dll next to this program)\n"
    "  --list              print the programs and the parameter table, then exit\n"
    "  --quiet             no progress and no summary; errors are still printed\n"
    "\n"
    "The summary reports each output channel's peak and how many samples lie above +1.0.\n"
    "The effect's own clip indicator belongs to its editor: the plug-in interface gives a\n"
    "host no way to read it.\n"
    "\n"
    "Exit status: 0 rendered; 1 failed, with one line on standard error and no output file\n"
    "left behind; 2 the command line was wrong.\n";

namespace {

int parseInteger(const std::string& option, const std::string& text) {
    errno = 0;
    char* end = nullptr;
    long value = std::strtol(text.c_str(), &end, 10);
    if (text.empty() || *end != '\0' || errno == ERANGE || value < -2147483647L || value > 2147483647L)
        throw RenderError(option + " needs a whole number, not '" + text + "'");
    return static_cast<int>(value);
}

ParameterSetting parseSetting(const std::string& text) {
    const size_t equals = text.rfind('=');
    if (equals == std::string::npos || equals == 0)
        throw RenderError("--set needs NAME=VALUE or INDEX=VALUE, not '" + text + "'");
    const std::string key = text.substr(0, equals);
    const std::string valueText = text.substr(equals + 1);
    char* end = nullptr;
    double value = std::strtod(valueText.c_str(), &end);
    if (valueText.empty() || *end != '\0' || !std::isfinite(value))
        throw RenderError("--set " + key + ": '" + valueText + "' is not a number");
    if (value < 0.0 || value > 1.0)
        throw RenderError("--set " + key + ": value " + valueText + " is outside 0 to 1");
    return {key, static_cast<float>(value)};
}

// Walks the command line: "--opt=value" and "--opt value" are both accepted.
class ArgumentCursor {
public:
    ArgumentCursor(int argc, char** argv) : argc(argc), argv(argv) {}

    bool next() {
        if (++index >= argc) return false;
        arg = argv[index];
        value.clear();
        hasValue = false;
        if (arg.rfind("--", 0) == 0 && arg.find('=') != std::string::npos) {
            value = arg.substr(arg.find('=') + 1);
            arg = arg.substr(0, arg.find('='));
            hasValue = true;
        }
        return true;
    }
    // The argument, or the option's name without a value written into it.
    const std::string& name() const { return arg; }
    std::string takeValue() {
        if (hasValue) return value;
        if (index + 1 >= argc) throw RenderError(arg + " needs a value");
        return argv[++index];
    }
    void noValue() const {
        if (hasValue) throw RenderError(arg + " takes no value");
    }

private:
    int argc;
    char** argv;
    int index = 0;
    std::string arg;
    std::string value;
    bool hasValue = false;
};

// Takes the cursor's option into `options`; false when the argument is no
// option but a file name.
bool takeOption(ArgumentCursor& cursor, Options& options) {
    const std::string& arg = cursor.name();
    if (arg == "--program") {
        options.program = parseInteger(arg, cursor.takeValue());
        if (options.program < 0) throw RenderError("--program must be 0 or more");
    } else if (arg == "--set") {
        options.settings.push_back(parseSetting(cursor.takeValue()));
    } else if (arg == "--block") {
        options.blockSize = parseInteger(arg, cursor.takeValue());
        if (options.blockSize < 1 || options.blockSize > 1048576)
            throw RenderError("--block must be from 1 to 1048576 frames");
    } else if (arg == "--plugin") {
        options.plugin = cursor.takeValue();
        if (options.plugin.empty()) throw RenderError("--plugin needs a path");
    } else if (arg == "--process" || arg == "--replacing") {
        cursor.noValue();
        options.mode = arg == "--process" ? Options::Mode::Process : Options::Mode::Replacing;
    } else if (arg == "--float" || arg == "--pcm16") {
        cursor.noValue();
        options.encoding = arg == "--float" ? OutputEncoding::Float32 : OutputEncoding::Pcm16;
    } else if (arg == "--list") {
        cursor.noValue();
        options.list = true;
    } else if (arg == "--quiet" || arg == "-q") {
        cursor.noValue();
        options.quiet = true;
    } else if (arg == "--help" || arg == "-h") {
        options.help = true;
    } else if (arg.size() > 1 && arg[0] == '-') {
        throw RenderError("unknown option '" + arg + "'");
    } else {
        return false;
    }
    return true;
}

}  // namespace

Options parseOptions(int argc, char** argv) {
    Options options;
    std::vector<std::string> files;
    ArgumentCursor cursor(argc, argv);
    while (cursor.next())
        if (!takeOption(cursor, options)) files.push_back(cursor.name());
    if (options.help) return options;
    if (options.list) {
        if (!files.empty()) throw RenderError("--list takes no files");
        return options;
    }
    if (files.size() != 2) throw RenderError("need an input and an output file");
    options.input = files[0];
    options.output = files[1];
    return options;
}
