// One lookup over a generated instruction file, for measuring peak memory
// from outside (heaptrack, /usr/bin/time -v). The file is mapped, not read
// into the heap, so the heap holds only what the reader itself allocates.
//   reader_peak reader|inih|none FLAVOUR FILE
// "none" only maps and touches the file: the baseline for resident memory.
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "inih_lookup.h"
#include "instruction_corpus.h"
#include "reader_adapter.h"

int main(int argc, char** argv) {
    CorpusFlavour flavour;
    if (argc != 4 || !corpusFromName(argv[2], &flavour)) {
        std::fprintf(stderr, "usage: %s reader|inih|none ascii|latin1|utf8bom FILE\n", argv[0]);
        return 2;
    }
    const std::string mode = argv[1];
    int fd = open(argv[3], O_RDONLY);
    struct stat info;
    if (fd < 0 || fstat(fd, &info) != 0) return 1;
    std::size_t size = static_cast<std::size_t>(info.st_size);
    // The file over a zero page reservation one byte longer, so inih finds
    // its terminating zero right after the content without a copy.
    std::size_t page = static_cast<std::size_t>(sysconf(_SC_PAGESIZE));
    std::size_t span = (size / page + 1) * page;
    void* area = mmap(nullptr, span, PROT_READ, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (area == MAP_FAILED) return 1;
    if (size > 0 && mmap(area, size, PROT_READ, MAP_PRIVATE | MAP_FIXED, fd, 0) == MAP_FAILED) {
        return 1;
    }
    const char* bytes = static_cast<const char*>(area);

    bool ok = false;
    if (mode == "reader") {
        std::u16string value;
        ok = readerLookup(bytes, size, &value) && !value.empty();
    } else if (mode == "inih") {
        std::string value;
        ok = inihLookup(bytes, "FullPathName", "Executable", &value) &&
             value == expectedExecutableRaw(flavour);
    } else if (mode == "none") {
        unsigned sum = 0;
        for (std::size_t i = 0; i < size; i += 4096) sum += static_cast<unsigned char>(bytes[i]);
        std::printf("%u\n", sum & 1);
        ok = true;
    }
    munmap(area, span);
    close(fd);
    return ok ? 0 : 1;
}
