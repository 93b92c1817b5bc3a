// Writes the engine's type library (kalvoria.tlb) into the folder named on
// the command line, from the interface list; --win64 marks it for 64-bit
// processes.
#include "kalvoria_typelib.h"

#include <cstdio>
#include <exception>
#include <string>
#include <vector>

int main(int argc, char **argv)
{
    const bool win64 = argc == 3 && std::string(argv[2]) == "--win64";
    if (argc != 2 && !win64) {
        std::fprintf(stderr, "usage: make_typelib OUTPUT_DIR [--win64]\n");
        return 2;
    }
    try {
        std::vector<uint8_t> bytes = sltg::write(kalapi::kalvoriaLibrary(win64));
        std::string path = std::string(argv[1]) + "/kalvoria.tlb";
        std::FILE *f = std::fopen(path.c_str(), "wb");
        if (!f || std::fwrite(bytes.data(), 1, bytes.size(), f) != bytes.size()) {
            std::fprintf(stderr, "make_typelib: cannot write %s\n", path.c_str());
            if (f) std::fclose(f);
            return 1;
        }
        return std::fclose(f) == 0 ? 0 : 1;
    } catch (const std::exception &e) {
        std::fprintf(stderr, "make_typelib: %s\n", e.what());
        return 1;
    }
}
