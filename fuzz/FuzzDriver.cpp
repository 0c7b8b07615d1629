// Runs a fuzz target without libFuzzer: on each file named on the command line, or else on a
// fixed series of mutations of the target's seeds (bytes flipped, cut, repeated, spliced).
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size);
// The target's seeds: typical inputs to start the mutations from.
std::vector<std::string> FuzzSeeds();

namespace {

void Run(const std::string &input)
{
    LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t *>(input.data()), input.size());
}

std::string Mutate(std::string s, const std::vector<std::string> &seeds, std::mt19937 &random)
{
    const int steps = 1 + int(random() % 8);
    for (int i = 0; i < steps; ++i) {
        const size_t at = s.empty() ? 0 : random() % s.size();
        switch (random() % 5) {
        case 0: // one byte changed
            if (!s.empty())
                s[at] = char(random() % 256);
            break;
        case 1: // cut short
            s.resize(at);
            break;
        case 2: // a piece repeated
            s.insert(at, s.substr(at, random() % 64));
            break;
        case 3: // a piece of another seed spliced in
        {
            const std::string &other = seeds[random() % seeds.size()];
            const size_t from = other.empty() ? 0 : random() % other.size();
            s.insert(at, other.substr(from, random() % 128));
            break;
        }
        default: // one of the characters that give the text its shape
            s.insert(at, 1, "\n=\r:{}[],\"0-9."[random() % 14]);
            break;
        }
    }
    return s;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc > 1) {
        for (int i = 1; i < argc; ++i) {
            std::ifstream file(argv[i], std::ios::binary);
            Run(std::string(std::istreambuf_iterator<char>(file), {}));
        }
        return 0;
    }
    const std::vector<std::string> seeds = FuzzSeeds();
    std::mt19937 random(12345);
    for (const std::string &seed : seeds)
        Run(seed);
    for (int i = 0; i < 20000; ++i)
        Run(Mutate(seeds[size_t(i) % seeds.size()], seeds, random));
    std::printf("%d inputs, no fault\n", 20000 + int(seeds.size()));
    return 0;
}
