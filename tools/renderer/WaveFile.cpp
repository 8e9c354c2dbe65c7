#include "tools/renderer/WaveFile.h"

#include <cmath>
#include <cstring>

namespace {

constexpr WORD kFormatPcm = 1;
constexpr WORD kFormatFloat = 3;
constexpr WORD kFormatExtensible = 0xFFFE;

// The tail shared by the sub-format GUIDs of WAVE_FORMAT_EXTENSIBLE: the
// first two bytes carry the plain format tag, the rest is always this.
constexpr unsigned char kSubFormatTail[14] = {0x00, 0x00, 0x00, 0x00, 0x10, 0x00, 0x80,
                                              0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71};

unsigned read16(const unsigned char* p) { return p[0] | (p[1] << 8); }
std::uint32_t read32(const unsigned char* p) {
    return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}
void put16(unsigned char* p, unsigned v) {
    p[0] = static_cast<unsigned char>(v);
    p[1] = static_cast<unsigned char>(v >> 8);
}
void put32(unsigned char* p, std::uint32_t v) {
    put16(p, v & 0xFFFF);
    put16(p + 2, v >> 16);
}

// The mmio functions work on a file handle that we open ourselves, so that
// errors carry Windows' own reason and a '+' in a file name is not taken for
// a compound-file element.
HMMIO openMmio(HANDLE file, DWORD flags) {
    MMIOINFO info = {};
    info.adwInfo[0] = static_cast<DWORD>(reinterpret_cast<UINT_PTR>(file));
    return mmioOpenA(nullptr, &info, flags | MMIO_ALLOCBUF);
}

// Closes the mmio handle without the file under it, then the file.
void closeMmio(HMMIO& mmio, HANDLE& file) {
    if (mmio) mmioClose(mmio, MMIO_FHOPEN);
    mmio = nullptr;
    if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
    file = INVALID_HANDLE_VALUE;
}

std::string quoted(const std::string& path) { return "'" + path + "'"; }

}  // namespace

std::string describe(const WaveFormat& format) {
    std::string text = std::to_string(format.bitsPerSample) + "-bit ";
    text += format.encoding == SampleEncoding::Float ? "float" : "PCM";
    text += format.channels == 1 ? ", mono, " : ", stereo, ";
    return text + std::to_string(format.sampleRate) + " Hz";
}

namespace {

// The encoding of a format tag and sample size, or why it is not taken.
SampleEncoding encodingOf(unsigned tag, unsigned bits, const std::string& path) {
    if (tag == kFormatPcm && (bits == 16 || bits == 24 || bits == 32)) return SampleEncoding::Pcm;
    if (tag == kFormatFloat && bits == 32) return SampleEncoding::Float;
    if (tag == kFormatPcm || tag == kFormatFloat)
        throw RenderError(quoted(path) + ": unsupported WAV format (" + std::to_string(bits) + "-bit " +
                          (tag == kFormatPcm ? "PCM" : "float") +
                          "; 16, 24 or 32-bit PCM or 32-bit float are supported)");
    throw RenderError(quoted(path) + ": unsupported WAV format (format tag " + std::to_string(tag) +
                      "; only PCM and float are supported)");
}

// The format chunk's first `size` bytes (16 to 40) as a format the reader
// takes; throws for anything else.
WaveFormat parseFormat(const unsigned char* f, LONG size, const std::string& path) {
    WaveFormat format;
    unsigned tag = read16(f);
    format.channels = read16(f + 2);
    format.sampleRate = read32(f + 4);
    format.blockAlign = read16(f + 12);
    format.bitsPerSample = read16(f + 14);
    if (tag == kFormatExtensible) {
        if (size < 40 || std::memcmp(f + 26, kSubFormatTail, sizeof kSubFormatTail) != 0)
            throw RenderError(quoted(path) + ": unsupported WAV format (unknown extensible sub-format)");
        tag = read16(f + 24);
    }
    format.encoding = encodingOf(tag, format.bitsPerSample, path);
    if (format.channels != 1 && format.channels != 2)
        throw RenderError(quoted(path) + ": unsupported WAV format (" + std::to_string(format.channels) +
                          " channels; mono or stereo are supported)");
    if (format.blockAlign != format.channels * format.bitsPerSample / 8)
        throw RenderError(quoted(path) + " is damaged: its frame size does not match its format");
    if (format.sampleRate == 0) throw RenderError(quoted(path) + " is damaged: its sample rate is 0");
    return format;
}

}  // namespace

WaveReader::WaveReader(const std::string& path) : path(path) {
    file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                       nullptr);
    if (file == INVALID_HANDLE_VALUE)
        throw RenderError("cannot open " + quoted(path) + ": " + systemMessage(GetLastError(), path));
    try {
        mmio = openMmio(file, MMIO_READ);
        if (!mmio) throw RenderError("cannot read " + quoted(path));

        // The file must start with a RIFF chunk of form type WAVE.
        MMCKINFO riff = {};
        if (mmioDescend(mmio, &riff, nullptr, 0) != MMSYSERR_NOERROR || riff.ckid != FOURCC_RIFF ||
            riff.fccType != mmioFOURCC('W', 'A', 'V', 'E'))
            throw RenderError(quoted(path) + " is not a WAV file");
        readFormat(riff);
        findData(riff);
    } catch (...) {
        close();
        throw;
    }
}

void WaveReader::readFormat(const MMCKINFO& riff) {
    MMCKINFO fmtChunk = {};
    fmtChunk.ckid = mmioFOURCC('f', 'm', 't', ' ');
    if (mmioDescend(mmio, &fmtChunk, &riff, MMIO_FINDCHUNK) != MMSYSERR_NOERROR)
        throw RenderError(quoted(path) + " is not a WAV file: it has no format chunk");
    unsigned char f[40] = {};
    const LONG fmtSize = static_cast<LONG>(fmtChunk.cksize < sizeof f ? fmtChunk.cksize : sizeof f);
    if (fmtChunk.cksize < 16 || mmioRead(mmio, reinterpret_cast<HPSTR>(f), fmtSize) != fmtSize)
        throw RenderError(quoted(path) + " is not a WAV file: its format chunk is too short");
    fmt = parseFormat(f, fmtSize, path);
}

void WaveReader::findData(const MMCKINFO& riff) {
    // The data chunk may come before or after the format chunk.
    if (mmioSeek(mmio, static_cast<LONG>(riff.dwDataOffset + 4), SEEK_SET) < 0)
        throw RenderError("cannot read " + quoted(path));
    MMCKINFO dataChunk = {};
    dataChunk.ckid = mmioFOURCC('d', 'a', 't', 'a');
    if (mmioDescend(mmio, &dataChunk, &riff, MMIO_FINDCHUNK) != MMSYSERR_NOERROR)
        throw RenderError(quoted(path) + " is not a WAV file: it has no data chunk");

    // A writer that stopped early leaves a data size beyond the end of the
    // file; only the frames that are really there are rendered.
    LARGE_INTEGER fileSize = {};
    GetFileSizeEx(file, &fileSize);
    const std::uint64_t available = fileSize.QuadPart > dataChunk.dwDataOffset
                                        ? static_cast<std::uint64_t>(fileSize.QuadPart) - dataChunk.dwDataOffset
                                        : 0;
    std::uint64_t bytes = dataChunk.cksize;
    if (bytes > available) {
        bytes = available;
        shortData = true;
    }
    totalFrames = framesLeft = static_cast<std::uint32_t>(bytes / fmt.blockAlign);
}

WaveReader::~WaveReader() { close(); }

void WaveReader::close() { closeMmio(mmio, file); }

std::uint32_t WaveReader::read(float* left, float* right, std::uint32_t count) {
    std::uint32_t frames = count < framesLeft ? count : framesLeft;
    LONG bytes = static_cast<LONG>(frames * fmt.blockAlign);
    buffer.resize(static_cast<size_t>(bytes));
    if (frames == 0) return 0;
    if (mmioRead(mmio, &buffer[0], bytes) != bytes) throw RenderError("cannot read " + quoted(path));
    framesLeft -= frames;

    const unsigned char* p = reinterpret_cast<const unsigned char*>(buffer.data());
    const unsigned bytesPerSample = fmt.bitsPerSample / 8;
    const std::uint32_t samples = frames * fmt.channels;
    float* out[2] = {left, right};
    for (std::uint32_t s = 0; s < samples; ++s, p += bytesPerSample) {
        float value;
        if (fmt.encoding == SampleEncoding::Float) {
            std::memcpy(&value, p, 4);
        } else if (bytesPerSample == 2) {
            value = static_cast<float>(static_cast<std::int16_t>(read16(p))) / 32768.0f;
        } else if (bytesPerSample == 3) {
            std::int32_t v = p[0] | (p[1] << 8) | (p[2] << 16);
            if (v & 0x800000) v -= 0x1000000;  // sign of the 24-bit word
            value = static_cast<float>(v) / 8388608.0f;
        } else {
            value = static_cast<float>(static_cast<double>(static_cast<std::int32_t>(read32(p))) / 2147483648.0);
        }
        out[fmt.channels == 1 ? 0 : s % 2][fmt.channels == 1 ? s : s / 2] = value;
    }
    if (fmt.channels == 1) std::memcpy(right, left, frames * sizeof(float));
    return frames;
}

std::int16_t floatToPcm16(float sample, bool& clipped) {
    clipped = false;
    if (std::isnan(sample)) {
        clipped = true;
        return 0;
    }
    // Exact in double; rounded to nearest, ties to even, by hand so that the
    // result does not depend on the processor's current rounding mode (the
    // plug-in changes the floating-point control while it processes).
    double scaled = static_cast<double>(sample) * 32768.0;
    double rounded = std::floor(scaled);
    double fraction = scaled - rounded;
    if (fraction > 0.5 || (fraction == 0.5 && std::fmod(rounded, 2.0) != 0.0)) rounded += 1.0;
    if (rounded > 32767.0) {
        clipped = true;
        return 32767;
    }
    if (rounded < -32768.0) {
        clipped = true;
        return -32768;
    }
    return static_cast<std::int16_t>(rounded);
}

WaveWriter::WaveWriter(const std::string& path, OutputEncoding encoding, unsigned channels, unsigned sampleRate,
                       std::uint32_t frames, const std::string& reportAs)
    : path(path), name(quoted(reportAs)), encoding(encoding), channels(channels), framesExpected(frames) {
    const unsigned bytesPerSample = encoding == OutputEncoding::Float32 ? 4 : 2;
    const std::uint64_t dataBytes = static_cast<std::uint64_t>(frames) * channels * bytesPerSample;
    // Every RIFF size field is 32 bits; leave room for the header chunks.
    if (dataBytes > 0xFFFFFFFFull - 64)
        throw RenderError("the output would exceed the 4 GB size limit of a WAV file");

    file = CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                       nullptr);
    if (file == INVALID_HANDLE_VALUE)
        throw RenderError("cannot create " + name + ": " + systemMessage(GetLastError(), path));
    mmio = openMmio(file, MMIO_READWRITE);
    if (!mmio) {
        close();
        throw RenderError("cannot write " + name);
    }

    // Float samples are written as WAVE_FORMAT_IEEE_FLOAT with the 18-byte
    // format and the fact chunk that every non-PCM format carries; 16-bit
    // PCM uses the plain 16-byte format.
    unsigned char f[18] = {};
    put16(f, encoding == OutputEncoding::Float32 ? kFormatFloat : kFormatPcm);
    put16(f + 2, channels);
    put32(f + 4, sampleRate);
    put32(f + 8, sampleRate * channels * bytesPerSample);
    put16(f + 12, channels * bytesPerSample);
    put16(f + 14, bytesPerSample * 8);
    const LONG fmtSize = encoding == OutputEncoding::Float32 ? 18 : 16;

    bool ok = true;
    riffChunk.fccType = mmioFOURCC('W', 'A', 'V', 'E');
    ok = ok && mmioCreateChunk(mmio, &riffChunk, MMIO_CREATERIFF) == MMSYSERR_NOERROR;
    MMCKINFO fmtChunk = {};
    fmtChunk.ckid = mmioFOURCC('f', 'm', 't', ' ');
    ok = ok && mmioCreateChunk(mmio, &fmtChunk, 0) == MMSYSERR_NOERROR;
    ok = ok && mmioWrite(mmio, reinterpret_cast<const char*>(f), fmtSize) == fmtSize;
    ok = ok && mmioAscend(mmio, &fmtChunk, 0) == MMSYSERR_NOERROR;
    if (encoding == OutputEncoding::Float32) {
        MMCKINFO factChunk = {};
        factChunk.ckid = mmioFOURCC('f', 'a', 'c', 't');
        unsigned char count[4];
        put32(count, frames);
        ok = ok && mmioCreateChunk(mmio, &factChunk, 0) == MMSYSERR_NOERROR;
        ok = ok && mmioWrite(mmio, reinterpret_cast<const char*>(count), 4) == 4;
        ok = ok && mmioAscend(mmio, &factChunk, 0) == MMSYSERR_NOERROR;
    }
    dataChunk.ckid = mmioFOURCC('d', 'a', 't', 'a');
    ok = ok && mmioCreateChunk(mmio, &dataChunk, 0) == MMSYSERR_NOERROR;
    if (!ok) {
        close();
        throw RenderError("cannot write " + name);
    }
}

WaveWriter::~WaveWriter() { close(); }

void WaveWriter::close() { closeMmio(mmio, file); }

void WaveWriter::write(const float* const* channelData, std::uint32_t frames) {
    const unsigned bytesPerSample = encoding == OutputEncoding::Float32 ? 4 : 2;
    const LONG bytes = static_cast<LONG>(frames * channels * bytesPerSample);
    buffer.resize(static_cast<size_t>(bytes));
    unsigned char* p = reinterpret_cast<unsigned char*>(&buffer[0]);
    for (std::uint32_t i = 0; i < frames; ++i) {
        for (unsigned c = 0; c < channels; ++c) {
            const float sample = channelData[c][i];
            if (encoding == OutputEncoding::Float32) {
                std::memcpy(p, &sample, 4);
                p += 4;
            } else {
                bool clip;
                put16(p, static_cast<std::uint16_t>(floatToPcm16(sample, clip)));
                clipped += clip;
                p += 2;
            }
        }
    }
    if (frames && mmioWrite(mmio, buffer.data(), bytes) != bytes)
        throw RenderError("cannot write " + name + " (disk full?)");
    framesWritten += frames;
}

void WaveWriter::finish() {
    if (framesWritten != framesExpected) throw RenderError("internal error: wrote a different number of frames");
    // Ascending fills in the sizes of the data chunk and of the RIFF chunk;
    // closing flushes the buffer, which is where a full disk shows.
    bool ok = mmioAscend(mmio, &dataChunk, 0) == MMSYSERR_NOERROR;
    ok = ok && mmioAscend(mmio, &riffChunk, 0) == MMSYSERR_NOERROR;
    ok = ok && mmioClose(mmio, MMIO_FHOPEN) == MMSYSERR_NOERROR;
    mmio = nullptr;
    ok = CloseHandle(file) && ok;
    file = INVALID_HANDLE_VALUE;
    if (!ok) throw RenderError("cannot write " + name + " (disk full?)");
}
