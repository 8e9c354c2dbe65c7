#include "tests/wine/renderer/RendererSupport.h"

#include <windows.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>

#include "tools/PluginLoader.h"

namespace fs = std::filesystem;

std::string folderOfTests() {
    std::string folder = programFolder();
    folder.pop_back();  // the separator
    return folder;
}

namespace {

std::string quoteArgument(const std::string& arg) {
    if (!arg.empty() && arg.find_first_of(" \t\"") == std::string::npos) return arg;
    std::string quoted = "\"";
    for (char c : arg) {
        if (c == '"') quoted += '\\';
        quoted += c;
    }
    return quoted + "\"";
}

HANDLE inheritableFile(const std::string& path) {
    SECURITY_ATTRIBUTES security = {sizeof security, nullptr, TRUE};
    return CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &security,
                       CREATE_ALWAYS, FILE_ATTRIBUTE_TEMPORARY, nullptr);
}

}  // namespace

RunResult runRenderer(const std::vector<std::string>& args) {
    std::string commandLine = quoteArgument(folderOfTests() + "\\velorin-render.exe");
    for (const std::string& arg : args) commandLine += " " + quoteArgument(arg);

    const std::string outPath = (fs::temp_directory_path() / ("velorin-render-out-" + std::to_string(GetCurrentProcessId()))).string();
    const std::string errPath = outPath + "-err";
    HANDLE out = inheritableFile(outPath);
    HANDLE err = inheritableFile(errPath);
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = nullptr;
    startup.hStdOutput = out;
    startup.hStdError = err;
    PROCESS_INFORMATION process = {};
    RunResult result;
    std::vector<char> line(commandLine.begin(), commandLine.end());
    line.push_back('\0');
    if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &process)) {
        result.exitCode = 0xDEAD;
        result.err = "cannot start the renderer";
    } else {
        if (WaitForSingleObject(process.hProcess, 120000) != WAIT_OBJECT_0) {
            TerminateProcess(process.hProcess, 0xDEAD);
            WaitForSingleObject(process.hProcess, INFINITE);
        }
        GetExitCodeProcess(process.hProcess, &result.exitCode);
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
    }
    CloseHandle(out);
    CloseHandle(err);
    result.out = readFile(outPath);
    result.err += readFile(errPath);
    DeleteFileA(outPath.c_str());
    DeleteFileA(errPath.c_str());
    return result;
}

ScratchFolder::ScratchFolder() {
    static int serial = 0;
    folder = (fs::temp_directory_path() /
              ("velorin-render-test-" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(++serial)))
                 .string();
    fs::remove_all(folder);
    fs::create_directories(folder);
}

ScratchFolder::~ScratchFolder() {
    std::error_code ignored;
    fs::remove_all(folder, ignored);
}

std::vector<std::string> ScratchFolder::files() const {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder)) names.push_back(entry.path().filename().string());
    return names;
}

std::string readFile(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), {});
}

void writeFile(const std::string& path, const std::string& bytes) {
    std::ofstream file(path, std::ios::binary);
    file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

bool fileExists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

void appendInt(std::string& bytes, std::int64_t value, unsigned byteCount) {
    for (unsigned i = 0; i < byteCount; ++i) bytes += static_cast<char>((static_cast<std::uint64_t>(value) >> (8 * i)) & 0xFF);
}

void appendFloat(std::string& bytes, float value) {
    char raw[4];
    std::memcpy(raw, &value, 4);
    bytes.append(raw, 4);
}

std::string wavBytes(const WavSpec& wav) {
    const bool extensible = wav.tag == kExtensible;
    std::string fmt;
    appendInt(fmt, wav.tag, 2);
    appendInt(fmt, wav.channels, 2);
    appendInt(fmt, wav.sampleRate, 4);
    appendInt(fmt, wav.sampleRate * wav.channels * wav.bits / 8, 4);
    appendInt(fmt, wav.channels * wav.bits / 8, 2);
    appendInt(fmt, wav.bits, 2);
    if (extensible) {
        appendInt(fmt, 22, 2);
        appendInt(fmt, wav.bits, 2);                        // valid bits
        appendInt(fmt, wav.channels == 1 ? 0x4 : 0x3, 4);   // speaker positions
        appendInt(fmt, wav.subFormat, 2);
        fmt += std::string("\x00\x00\x00\x00\x10\x00\x80\x00\x00\xAA\x00\x38\x9B\x71", 14);
    }
    auto chunk = [](const char* id, const std::string& body, long long claimed = -1) {
        std::string bytes(id, 4);
        appendInt(bytes, claimed >= 0 ? claimed : static_cast<long long>(body.size()), 4);
        bytes += body;
        if (body.size() % 2) bytes += '\0';
        return bytes;
    };
    std::string formatChunk = wav.withFormat ? chunk("fmt ", fmt) : std::string();
    std::string dataChunk = wav.withData ? chunk("data", wav.data, wav.claimedDataSize) : std::string();
    // Some writers put other chunks first; the reader must skip them.
    std::string body = "WAVE" + chunk("LIST", std::string("INFOISFT\x06\x00\x00\x00tests\0", 18));
    body += wav.dataBeforeFormat ? dataChunk + formatChunk : formatChunk + dataChunk;
    return chunk("RIFF", body);
}

ParsedWav parseWav(const std::string& bytes) {
    ParsedWav wav;
    auto u32 = [&](size_t at) {
        std::uint32_t v = 0;
        if (at + 4 <= bytes.size()) std::memcpy(&v, &bytes[at], 4);
        return v;
    };
    auto u16 = [&](size_t at) { return static_cast<unsigned>(u32(at) & 0xFFFF); };
    if (bytes.size() < 12 || bytes.compare(0, 4, "RIFF") != 0 || bytes.compare(8, 4, "WAVE") != 0) return wav;
    if (u32(4) != bytes.size() - 8) return wav;  // the RIFF size must cover exactly the file
    bool haveFormat = false, haveData = false;
    for (size_t at = 12; at + 8 <= bytes.size();) {
        const std::string id = bytes.substr(at, 4);
        const std::uint32_t size = u32(at + 4);
        if (at + 8 + size > bytes.size()) return wav;
        if (id == "fmt ") {
            wav.formatSize = size;
            wav.tag = u16(at + 8);
            wav.channels = u16(at + 10);
            wav.sampleRate = u32(at + 12);
            wav.blockAlign = u16(at + 20);
            wav.bits = u16(at + 22);
            haveFormat = true;
        } else if (id == "fact") {
            wav.factFrames = u32(at + 8);
        } else if (id == "data") {
            wav.data = bytes.substr(at + 8, size);
            haveData = true;
        }
        at += 8 + size + (size % 2);
    }
    wav.valid = haveFormat && haveData;
    return wav;
}

std::vector<float> floatsOf(const std::string& data) {
    std::vector<float> values(data.size() / 4);
    if (!values.empty()) std::memcpy(values.data(), data.data(), values.size() * 4);
    return values;
}

std::vector<std::int16_t> int16sOf(const std::string& data) {
    std::vector<std::int16_t> values(data.size() / 2);
    if (!values.empty()) std::memcpy(values.data(), data.data(), values.size() * 2);
    return values;
}

std::vector<std::string> linesOf(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream stream(text);
    for (std::string line; std::getline(stream, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(line);
    }
    return lines;
}
