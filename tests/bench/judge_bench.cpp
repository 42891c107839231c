// Judging a class: 30 programs (the ten samples of tests/data/missions, three times each under
// other names) against the five built-in missions, in Advanced mode so that every one runs. The
// wall time with one job and with two (target on two cores: at most 1.6 s, the two jobs close
// to twice as fast as one).

#include <benchmark/benchmark.h>

#include <filesystem>
#include <string>

#include "judge/judge.h"

namespace {

using namespace kavrin;

judge::Request ClassRequest(unsigned jobs) {
    static const std::vector<std::filesystem::path> programs = [] {
        const std::filesystem::path dir =
            std::filesystem::temp_directory_path() / "kavrin-judge-bench";
        std::filesystem::remove_all(dir);
        std::filesystem::create_directories(dir);
        std::vector<std::filesystem::path> files;
        for (const auto& entry :
             std::filesystem::directory_iterator(std::string(KAVRIN_TEST_DATA) + "/missions")) {
            for (int copy = 1; copy <= 3; ++copy) {
                const std::filesystem::path to =
                    dir / (entry.path().stem().string() + "-" + std::to_string(copy) + ".kvn");
                std::filesystem::copy_file(entry.path(), to);
                files.push_back(to);
            }
        }
        return files;
    }();
    judge::Request request;
    request.programs = programs;
    for (const std::string& name : sim::BuiltInMissionNames())
        request.missions.push_back(*sim::BuiltInMission(name));
    request.mode = model::TMode::Advanced;
    request.jobs = jobs;
    return request;
}

void BM_JudgeClass(benchmark::State& state) {
    const judge::Request request = ClassRequest(static_cast<unsigned>(state.range(0)));
    std::size_t rows = 0, passed = 0;
    for (auto _ : state) {
        const judge::Result result = judge::Judge(request);
        rows = passed = 0;
        for (const judge::ProgramResult& p : result.programs) {
            for (const judge::MissionRun& r : p.runs) {
                ++rows;
                passed += r.judged && r.outcome.Passed();
            }
        }
    }
    if (rows != 150) state.SkipWithError("not every program was judged against every mission");
    state.counters["rows"] = static_cast<double>(rows);
    state.counters["passed"] = static_cast<double>(passed);
}
BENCHMARK(BM_JudgeClass)
    ->ArgName("jobs")
    ->Arg(1)
    ->Arg(2)
    ->Iterations(3)
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
