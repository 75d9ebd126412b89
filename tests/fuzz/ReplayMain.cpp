// Runs a fuzz target over the files of its corpus folders, without
// libFuzzer: the normal and sanitizer builds replay every seed and every
// input that once found a defect, so a regression shows there as well.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

int main(int argc, char** argv)
{
    namespace fs = std::filesystem;
    std::vector<fs::path> files;
    for (int i = 1; i < argc; ++i) {
        const fs::path where = argv[i];
        if (fs::is_directory(where)) {
            for (const auto& entry : fs::directory_iterator(where))
                if (entry.is_regular_file())
                    files.push_back(entry.path());
        } else {
            files.push_back(where);
        }
    }
    std::sort(files.begin(), files.end());
    if (files.empty()) {
        std::fprintf(stderr, "no inputs found\n");
        return 1;
    }
    for (const fs::path& file : files) {
        std::ifstream in(file, std::ios::binary);
        const std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        // A copy of exactly the input's size, so that a sanitizer sees any
        // read past its end.
        std::vector<std::uint8_t> data(bytes.begin(), bytes.end());
        auto* exact = new std::uint8_t[data.size() ? data.size() : 1];
        std::copy(data.begin(), data.end(), exact);
        LLVMFuzzerTestOneInput(exact, data.size());
        delete[] exact;
    }
    std::printf("%zu inputs replayed\n", files.size());
    return 0;
}
