// Placeholder until the encoder lands: refuses every command line.
#include <cstdio>

int main()
{
    std::fputs("asapi.dll: not built yet\n", stderr);
    return 2;
}
