// What the renderer tests share: a scratch folder, the renderer run as a
// child process, and WAV files written and read byte by byte, independently
// of the renderer's own WAV code.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct RunResult {
    unsigned long exitCode = 0;
    std::string out;  // standard output
    std::string err;  // standard error
};

// Runs velorin-render.exe (next to the test program) with the arguments,
// in the scratch folder, and waits for it.
RunResult runRenderer(const std::vector<std::string>& args);

// A folder of its own for each test, removed afterwards.
class ScratchFolder {
public:
    ScratchFolder();
    ~ScratchFolder();
    std::string path(const std::string& name) const { return folder + "\\" + name; }
    std::vector<std::string> files() const;

private:
    std::string folder;
};

std::string folderOfTests();  // where the test program, the renderer and the DLLs are

std::string readFile(const std::string& path);
void writeFile(const std::string& path, const std::string& bytes);
bool fileExists(const std::string& path);

enum : unsigned { kPcm = 1, kFloat = 3, kExtensible = 0xFFFE };

// A WAV file as the tests write it.
struct WavSpec {
    unsigned tag = kPcm;      // the format tag, or kExtensible with subFormat
    unsigned subFormat = kPcm;
    unsigned channels = 2;
    unsigned sampleRate = 44100;
    unsigned bits = 16;
    std::string data;          // the sample bytes, interleaved
    bool dataBeforeFormat = false;
    bool withFormat = true;
    bool withData = true;
    long long claimedDataSize = -1;  // a data size other than the real one
};
std::string wavBytes(const WavSpec& wav);

// A WAV file as the renderer wrote it.
struct ParsedWav {
    bool valid = false;
    unsigned tag = 0, channels = 0, sampleRate = 0, bits = 0, blockAlign = 0, formatSize = 0;
    long long factFrames = -1;  // -1: no fact chunk
    std::string data;
};
ParsedWav parseWav(const std::string& bytes);
std::vector<float> floatsOf(const std::string& data);
std::vector<std::int16_t> int16sOf(const std::string& data);

// Little-endian sample bytes.
void appendInt(std::string& bytes, std::int64_t value, unsigned byteCount);
void appendFloat(std::string& bytes, float value);

// Lines of a text, without line ends.
std::vector<std::string> linesOf(const std::string& text);
