// Runs a fuzz target once over its kept inputs, without libFuzzer: each argument is a file or a
// folder of files. The test build runs every target this way, so an input that once found a fault
// stays a test. "--write-seeds DIR" writes the inputs a target makes from its own fixture.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);
extern "C" void PlantmonFuzzWriteSeeds(const char* dir) __attribute__((weak));

namespace {

int runFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        std::fprintf(stderr, "cannot read %s\n", path.c_str());
        return 1;
    }
    const std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    LLVMFuzzerTestOneInput(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 3 && std::strcmp(argv[1], "--write-seeds") == 0) {
        if (!PlantmonFuzzWriteSeeds) {
            std::fprintf(stderr, "this target makes no inputs of its own\n");
            return 1;
        }
        PlantmonFuzzWriteSeeds(argv[2]);
        return 0;
    }
    int failed = 0, count = 0;
    for (int i = 1; i < argc; ++i) {
        const std::filesystem::path arg(argv[i]);
        if (std::filesystem::is_directory(arg)) {
            for (const auto& entry : std::filesystem::directory_iterator(arg)) {
                if (!entry.is_regular_file()) continue;
                failed += runFile(entry.path());
                ++count;
            }
        } else {
            failed += runFile(arg);
            ++count;
        }
    }
    std::printf("%d inputs run\n", count);
    return failed != 0 || count == 0 ? 1 : 0;
}
