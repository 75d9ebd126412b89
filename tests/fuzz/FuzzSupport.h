#pragma once
// What every fuzz target shares: reading structured values from the fuzzer's
// bytes, checks that stop the run with a message, and a private working
// folder (the program keeps its files in the working folder).
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <system_error>
#include <unistd.h>

// A property that must hold: when it does not, the input is a finding.
#define FUZZ_CHECK(cond)                                                                \
    do {                                                                                \
        if (!(cond))                                                                    \
            FuzzFailure(#cond, __FILE__, __LINE__);                                     \
    } while (0)

// Marks checking code of a target that the fuzzer need not trace: its
// branches say nothing about the code under test, and tracing its
// comparisons costs more than the code it checks.
#if defined(__clang__)
#define FUZZ_UNTRACED __attribute__((no_sanitize("coverage")))
#else
#define FUZZ_UNTRACED
#endif

[[noreturn]] inline void FuzzFailure(const char* what, const char* file, int line)
{
    std::fprintf(stderr, "\nFUZZ CHECK FAILED at %s:%d: %s\n", file, line, what);
    std::fflush(stderr);
    std::abort();
}

// Reads values from the front of the fuzzer's bytes; past the end every
// value reads as zero, so any input is a valid script.
class FuzzInput {
public:
    FuzzInput(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}

    bool Empty() const { return pos_ >= size_; }
    std::size_t Left() const { return Empty() ? 0 : size_ - pos_; }

    std::uint8_t Byte() { return Empty() ? 0 : data_[pos_++]; }
    bool Flag() { return (Byte() & 1) != 0; }
    std::uint16_t Word()
    {
        const std::uint16_t high = Byte();
        return static_cast<std::uint16_t>(high << 8 | Byte());
    }
    // A value from lo to hi, both included.
    int Range(int lo, int hi)
    {
        const std::uint32_t span = static_cast<std::uint32_t>(hi - lo) + 1;
        const std::uint32_t raw = span <= 256 ? Byte() : Word();
        return lo + static_cast<int>(raw % span);
    }
    // Up to `count` bytes (fewer at the end of the input).
    std::string Bytes(std::size_t count)
    {
        const std::size_t n = count < Left() ? count : Left();
        std::string out(reinterpret_cast<const char*>(data_ + pos_), n);
        pos_ += n;
        return out;
    }
    std::string Rest() { return Bytes(Left()); }

private:
    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t pos_ = 0;
};

// Makes a fresh folder the working folder, once per process: in memory
// (/dev/shm) where there is one, so that the loaders' synced writes cost
// nothing; removed when the fuzzer exits normally.
inline void EnterFuzzFolder()
{
    static const bool entered = [] {
        namespace fs = std::filesystem;
        std::error_code ec;
        const char* base = fs::is_directory("/dev/shm", ec) && access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp";
        std::string pattern = std::string(base) + "/kavrel-fuzz-XXXXXX";
        if (!mkdtemp(pattern.data()))
            FuzzFailure("a working folder could be made", __FILE__, __LINE__);
        static std::string folder = pattern;
        fs::current_path(folder);
        std::atexit([] {
            std::error_code ignored;
            std::filesystem::remove_all(folder, ignored);
        });
        return true;
    }();
    (void)entered;
}

inline std::string FuzzFileBytes(const std::string& name)
{
    std::ifstream in(name, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline void FuzzPutFile(const std::string& name, const std::string& bytes)
{
    std::ofstream out(name, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out)
        FuzzFailure("the test file could be written", __FILE__, __LINE__);
}
