// WAV files through Windows' own RIFF functions (winmm's mmio): a reader
// that streams PCM or float frames as floats, and a writer for 32-bit float
// or 16-bit PCM.  Both throw RenderError with a one-line message.
#pragma once

#include <windows.h>
#include <mmsystem.h>

#include <cstdint>
#include <string>

#include "tools/renderer/RenderError.h"

enum class SampleEncoding { Pcm, Float };

struct WaveFormat {
    SampleEncoding encoding = SampleEncoding::Pcm;
    unsigned channels = 0;
    unsigned sampleRate = 0;
    unsigned bitsPerSample = 0;  // the container size: 16, 24 or 32
    unsigned blockAlign = 0;     // bytes per frame
};

// "16-bit PCM, stereo, 44100 Hz"
std::string describe(const WaveFormat& format);

class WaveReader {
public:
    explicit WaveReader(const std::string& path);
    ~WaveReader();
    WaveReader(const WaveReader&) = delete;
    WaveReader& operator=(const WaveReader&) = delete;

    const WaveFormat& format() const { return fmt; }
    std::uint32_t frames() const { return totalFrames; }
    // True when the data chunk claims more than the file holds; frames()
    // then counts only the whole frames that are really there.
    bool truncated() const { return shortData; }

    // Reads up to `count` frames as floats in -1..1, channel by channel;
    // a mono file fills `right` with the same samples as `left`.
    std::uint32_t read(float* left, float* right, std::uint32_t count);

    // Lets go of the file early (so that an output may replace it).
    void close();

private:
    // Inside the RIFF chunk: the format chunk into fmt, then the data
    // chunk, ready to read from.
    void readFormat(const MMCKINFO& riff);
    void findData(const MMCKINFO& riff);

    std::string path;
    HANDLE file = INVALID_HANDLE_VALUE;
    HMMIO mmio = nullptr;
    WaveFormat fmt;
    std::uint32_t totalFrames = 0;
    std::uint32_t framesLeft = 0;
    bool shortData = false;
    std::string buffer;
};

enum class OutputEncoding { Float32, Pcm16 };

class WaveWriter {
public:
    // `frames` is the number of frames that will be written, known up front
    // so that the float format's frame count is right from the start.
    // `reportAs` is the name that messages use (the file that the caller
    // will rename this one to).
    WaveWriter(const std::string& path, OutputEncoding encoding, unsigned channels, unsigned sampleRate,
               std::uint32_t frames, const std::string& reportAs);
    ~WaveWriter();  // an unfinished file is closed, not completed: the caller deletes it
    WaveWriter(const WaveWriter&) = delete;
    WaveWriter& operator=(const WaveWriter&) = delete;

    void write(const float* const* channels, std::uint32_t frames);
    // Completes the chunk sizes and the frame count and closes the file.
    void finish();

    // 16-bit output: samples that had to be clipped to the 16-bit range.
    std::uint64_t clippedSamples() const { return clipped; }

private:
    void close();

    std::string path;
    std::string name;  // for messages
    HANDLE file = INVALID_HANDLE_VALUE;
    HMMIO mmio = nullptr;
    OutputEncoding encoding;
    unsigned channels;
    std::uint32_t framesExpected;
    std::uint32_t framesWritten = 0;
    std::uint64_t clipped = 0;
    MMCKINFO riffChunk = {};
    MMCKINFO dataChunk = {};
    std::string buffer;
};

// Float to 16-bit PCM: scaled by 32768, rounded to nearest with ties to
// even, clipped to -32768..32767.  Not-a-number becomes 0.  `clipped` is set
// when the sample was out of range.
std::int16_t floatToPcm16(float sample, bool& clipped);
