// Runs a fuzz target without libFuzzer: every file of the seed folder given
// on the command line, then deterministic mutations of them (bit flips, cuts,
// byte runs, splices), so the normal test run exercises the target under the
// sanitizers. Set FUZZ_REPLAY_ROUNDS to change the number of mutations.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes Mutate(const Bytes& seed, const Bytes& other, std::mt19937& rng) {
    Bytes out = seed;
    const int steps = 1 + static_cast<int>(rng() % 4);
    for (int s = 0; s < steps; ++s) {
        const std::size_t at = out.empty() ? 0 : rng() % out.size();
        switch (rng() % 6) {
            case 0:
                if (!out.empty()) out[at] ^= static_cast<std::uint8_t>(1u << (rng() % 8));
                break;
            case 1:
                if (!out.empty()) out[at] = static_cast<std::uint8_t>(rng());
                break;
            case 2:
                out.resize(at);
                break;
            case 3: {
                static const std::uint8_t kEdges[] = {0x00, 0xff, 0x7f, 0x80, 0xfe, 0x01};
                const std::size_t run = 1 + rng() % 4;
                for (std::size_t i = 0; i < run && at + i < out.size(); ++i) out[at + i] = kEdges[rng() % 6];
                break;
            }
            case 4:
                out.insert(out.begin() + static_cast<std::ptrdiff_t>(at), rng() % 16, static_cast<std::uint8_t>(rng()));
                break;
            default:
                if (!other.empty()) {
                    const std::size_t from = rng() % other.size();
                    out.resize(at);
                    out.insert(out.end(), other.begin() + static_cast<std::ptrdiff_t>(from), other.end());
                }
                break;
        }
    }
    return out;
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<Bytes> seeds;
    for (int i = 1; i < argc; ++i) {
        std::error_code ec;
        std::filesystem::path root(argv[i]);
        std::vector<std::filesystem::path> files;
        if (std::filesystem::is_directory(root, ec)) {
            for (const auto& entry : std::filesystem::directory_iterator(root, ec)) {
                if (entry.is_regular_file()) files.push_back(entry.path());
            }
        } else {
            files.push_back(root);
        }
        std::sort(files.begin(), files.end());
        for (const auto& file : files) {
            std::ifstream in(file, std::ios::binary);
            seeds.emplace_back(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
        }
    }
    if (seeds.empty()) seeds.emplace_back();
    for (const Bytes& seed : seeds) LLVMFuzzerTestOneInput(seed.data(), seed.size());

    const char* rounds = std::getenv("FUZZ_REPLAY_ROUNDS");
    const long total = rounds != nullptr ? std::atol(rounds) : 5000;
    std::mt19937 rng(12345);
    for (long r = 0; r < total; ++r) {
        const Bytes& seed = seeds[rng() % seeds.size()];
        const Bytes& other = seeds[rng() % seeds.size()];
        const Bytes input = Mutate(seed, other, rng);
        LLVMFuzzerTestOneInput(input.data(), input.size());
    }
    std::printf("fuzz replay: %zu seeds, %ld mutations, no fault\n", seeds.size(), total);
    return 0;
}
