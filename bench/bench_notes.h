// What the note benchmarks share: how many notes the handheld holds and
// where its folder goes.
//
// --notes=N (default 10,000) sets the count, for the growth tables at 1,000,
// 10,000 and 100,000 notes. The folder goes under $TMPDIR (else /tmp) and is
// removed at exit; a fill of 100,000 notes, each a durable commit, is quick on
// a memory file system (TMPDIR=/dev/shm), and the walks read the same bytes.
#pragma once

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <stdexcept>
#include <string>

namespace bench {

// The number of notes; set once, by Run, before any benchmark runs.
inline int& Notes() {
    static int notes = 10000;
    return notes;
}

// Note i of a benchmark's handheld: a title of 8 to 14 characters, 200 more.
inline std::u16string NoteText(int i) {
    return u"Note " + std::u16string(1, static_cast<char16_t>(u'A' + i % 26)) + u" " +
           std::u16string(i % 7 + 1, u'x') + u"\r\n" + std::u16string(200, u'b');
}

// A new folder named after `name` under $TMPDIR; throws when none can be made.
inline std::string MakeFolder(const std::string& name) {
    const char* tmp = std::getenv("TMPDIR");
    std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/" + name + "-XXXXXX";
    if (!mkdtemp(pattern.data()))
        throw std::runtime_error("cannot make " + pattern);
    return pattern;
}

// main: takes --notes=N off the command line, then runs Google Benchmark.
inline int Run(int argc, char** argv) {
    int kept = 1;
    for (int i = 1; i < argc; ++i) {
        if (std::strncmp(argv[i], "--notes=", 8) == 0) {
            char* end = nullptr;
            const long notes = std::strtol(argv[i] + 8, &end, 10);
            if (*end != 0 || notes < 1 || notes > 1000000) {
                std::fprintf(stderr, "--notes: a count from 1 to 1000000\n");
                return 2;
            }
            Notes() = static_cast<int>(notes);
            continue;
        }
        argv[kept++] = argv[i];
    }
    argc = kept;
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::AddCustomContext("notes", std::to_string(Notes()));
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

} // namespace bench
