#include "judge/judge.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <mutex>
#include <thread>

#include "codegen/code_generator.h"
#include "codegen/program_text.h"
#include "judge/rules.h"
#include "model/kvn_file.h"
#include "sim/robot_geometry.h"
#include "sim/simulation.h"
#include "tokenizer/tokenizer.h"

namespace kavrin::judge {

namespace {

// A run checks the stop token and the verdict this often in virtual time. The judge decides at
// the virtual time things happen, so the slice changes nothing but how soon a stop is seen.
constexpr sim::VirtualTime kSlice = 100 * sim::kMicrosPerMs;

FileProblem ProblemOf(model::TFileProblem problem) {
    switch (problem) {
        case model::TFileProblem::NotKavrin:
            return FileProblem::NotKavrin;
        case model::TFileProblem::Damaged:
            return FileProblem::Damaged;
        case model::TFileProblem::WrongVersion:
            return FileProblem::WrongVersion;
        case model::TFileProblem::AdvancedInBeginner:
            return FileProblem::WrongMode;
        case model::TFileProblem::None:
        case model::TFileProblem::CannotOpen:
        case model::TFileProblem::CannotSave:
            break;
    }
    return FileProblem::Unreadable;
}

// A program read and compiled once, for all its missions.
struct Prepared {
    std::once_flag once;
    CompiledProgram compiled;
};

void Prepare(const Request& request, tokenizer::TTokenizer& tokenizer, ProgramResult& result,
             Prepared& prepared) {
    model::TActionProgram program;
    const model::TFileResult loaded = model::LoadActionFile(result.file, request.mode, program);
    if (!loaded.ok) {
        result.problem = ProblemOf(loaded.problem);
        result.message = loaded.message;
        return;
    }
    result.program = program;
    CompileResult compiled =
        CompileProgram(program, request.mode, request.sensorsEnabled, tokenizer);
    if (!compiled.compiled) {
        result.problem = FileProblem::NotGenerated;
        result.message = std::move(compiled.message);
        return;
    }
    prepared.compiled = std::move(*compiled.compiled);
}

// The record's poses up to the decision, thinned.
std::vector<sim::Pose> PathOf(const sim::RunRecord& record, sim::VirtualTime until,
                              const sim::Pose& last) {
    std::vector<sim::Pose> path;
    const auto far = [&path](const sim::Pose& p) {
        return std::hypot(p.x - path.back().x, p.y - path.back().y) >= kPathSpacingCm;
    };
    for (const sim::RunSample& s : record.Samples()) {
        if (s.time > until) break;
        if (path.empty() || far(s.GetPose())) path.push_back(s.GetPose());
    }
    if (path.empty() || far(last)) path.push_back(last);
    if (path.size() > kMaxPathPoses) {  // every n-th point, the last kept
        const std::size_t every = (path.size() + kMaxPathPoses - 1) / kMaxPathPoses;
        std::vector<sim::Pose> fewer;
        for (std::size_t i = 0; i < path.size(); i += every) fewer.push_back(path[i]);
        if (fewer.back().x != path.back().x || fewer.back().y != path.back().y)
            fewer.push_back(path.back());
        path = std::move(fewer);
    }
    return path;
}

}  // namespace

MissionRun JudgeProgram(const model::TActionProgram& program, const CompiledProgram& compiled,
                        const sim::Mission& mission, double seconds, const std::stop_token& stop) {
    MissionRun run;
    if (const auto broken = CheckRules(program, mission.rules)) {
        run.judged = true;
        run.outcome = sim::RuleOutcome(mission, *broken);
        run.path = {mission.arena.start};
        return run;
    }
    sim::Simulation simulation(mission.arena);
    simulation.SetMission(mission);
    simulation.Load(compiled.image, compiled.variables);
    const sim::MissionJudge& judge = *simulation.Judge();
    const sim::VirtualTime end = MissionRunEnd(mission, seconds);
    while (simulation.Now() < end && judge.GetVerdict() == sim::Verdict::Open) {
        if (stop.stop_requested()) return run;
        simulation.RunUntil(std::min(end, simulation.Now() + kSlice));
    }
    run.judged = true;
    run.outcome = sim::MissionOutcomeNow(simulation);
    const bool decided = judge.GetVerdict() != sim::Verdict::Open;
    const sim::VirtualTime until = decided ? judge.DecidedAt() : simulation.Now();
    const sim::Pose last = simulation.Record().Empty() || !decided
                               ? simulation.Body().CurrentPose()
                               : simulation.Record().At(until).GetPose();
    run.path = PathOf(simulation.Record(), until, last);
    if (judge.GetVerdict() == sim::Verdict::NotPassed &&
        judge.GetFailure() == sim::Failure::Touched) {
        run.touch = judge.TouchOutline();
    }
    return run;
}

namespace {

// The name's key: ASCII letters in lower case.
std::string SortKey(const std::filesystem::path& path) {
    const std::u8string name = path.filename().u8string();
    std::string key(name.begin(), name.end());
    for (char& c : key) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return key;
}

bool IsKvnName(const std::filesystem::path& path) {
    std::string ext = SortKey(path.extension());
    return ext == ".kvn";
}

}  // namespace

CompileResult CompileProgram(const model::TActionProgram& program, model::TMode mode,
                             bool sensorsEnabled, tokenizer::TTokenizer& tokenizer) {
    CompileResult result;
    codegen::TProgramText text;
    const codegen::TBuildResult built = codegen::BuildCode(program, mode, sensorsEnabled, text);
    std::string source;
    const codegen::TTextResult whole =
        built.ok ? text.TextForTokenizer(source) : codegen::TTextResult{};
    if (!built.ok || !whole.ok) {
        result.message = !built.ok ? built.message : whole.message;
        return result;
    }
    const tokenizer::TTokenizerResult& r = tokenizer.Result();
    if (!tokenizer.LoadSource(source) || tokenizer.Tokenize() != 1) {
        result.message =
            r.ErrorMessage != nullptr ? r.ErrorMessage : "the program does not compile";
        return result;
    }
    CompiledProgram& compiled = result.compiled.emplace();
    std::copy(r.EepromImage.begin(), r.EepromImage.end(), compiled.image.begin());
    compiled.variables = sim::FindStepVariables(
        [&tokenizer](std::string_view name) { return tokenizer.FindVariable(name); });
    return result;
}

bool Result::AllPassed() const {
    for (const ProgramResult& p : programs) {
        if (p.problem != FileProblem::None) return false;
        for (const MissionRun& r : p.runs) {
            if (!r.judged || !r.outcome.Passed()) return false;
        }
    }
    return !stopped;
}

sim::VirtualTime MissionRunEnd(const sim::Mission& mission, double seconds) {
    const double s = seconds > 0     ? seconds
                     : mission.limit ? static_cast<double>(*mission.limit) / sim::kMicrosPerSecond +
                                           kAfterLimitSeconds
                                     : kDefaultMissionSeconds;
    return static_cast<sim::VirtualTime>(s * sim::kMicrosPerSecond);
}

void SortPrograms(std::vector<std::filesystem::path>& programs) {
    std::vector<std::pair<std::string, std::filesystem::path>> keyed;
    for (std::filesystem::path& p : programs) keyed.emplace_back(SortKey(p), std::move(p));
    std::sort(keyed.begin(), keyed.end(), [](const auto& a, const auto& b) {
        if (a.first != b.first) return a.first < b.first;
        const std::u8string an = a.second.filename().u8string(),
                            bn = b.second.filename().u8string();
        if (an != bn) return an < bn;
        return a.second.lexically_normal() < b.second.lexically_normal();
    });
    programs.clear();
    for (auto& [key, path] : keyed) {
        if (!programs.empty() && programs.back().lexically_normal() == path.lexically_normal())
            continue;
        programs.push_back(std::move(path));
    }
}

FolderPrograms ProgramsInFolder(const std::filesystem::path& folder) {
    FolderPrograms found;
    std::error_code ec;
    std::filesystem::directory_iterator it(folder, ec);
    for (; !ec && it != std::filesystem::directory_iterator(); it.increment(ec)) {
        std::error_code typeError;
        if (IsKvnName(it->path()) && !it->is_directory(typeError))
            found.files.push_back(it->path());
    }
    if (ec) {
        found.files.clear();
        found.error = ec.message();
        found.reason = ec;
        return found;
    }
    SortPrograms(found.files);
    return found;
}

Result Judge(const Request& request, const ProgressCallback& progress, std::stop_token stop) {
    Result result;
    result.missions = request.missions;
    result.mode = request.mode;
    result.sensorsEnabled = request.sensorsEnabled;
    std::vector<std::filesystem::path> files = request.programs;
    SortPrograms(files);
    result.programs.resize(files.size());
    for (std::size_t i = 0; i < files.size(); ++i) {
        result.programs[i].file = files[i];
        result.programs[i].runs.resize(request.missions.size());
    }
    std::vector<Prepared> prepared(files.size());
    const std::size_t missions = request.missions.size();
    const std::size_t total = files.size() * missions;

    std::atomic<std::size_t> next{0};
    std::mutex progressLock;
    std::size_t done = 0;
    // Each worker takes the next (program, mission) in order; its tokenizer compiles the programs
    // it is first to need.
    const auto work = [&] {
        tokenizer::TTokenizer tokenizer;
        for (std::size_t i; (i = next.fetch_add(1)) < total;) {
            if (stop.stop_requested()) return;
            const std::size_t p = i / missions, m = i % missions;
            ProgramResult& program = result.programs[p];
            std::call_once(prepared[p].once,
                           [&] { Prepare(request, tokenizer, program, prepared[p]); });
            if (program.problem == FileProblem::None) {
                program.runs[m] = JudgeProgram(*program.program, prepared[p].compiled,
                                               request.missions[m], request.seconds, stop);
                if (!program.runs[m].judged) return;  // stopped
            }
            if (progress) {
                const std::lock_guard lock(progressLock);
                progress({++done, total, p, m});
            }
        }
    };
    unsigned jobs =
        request.jobs != 0 ? request.jobs : std::max(1u, std::thread::hardware_concurrency());
    jobs = static_cast<unsigned>(std::min<std::size_t>(jobs, std::max<std::size_t>(total, 1)));
    {
        // A jthread asks its own stop at destruction; the runs answer only to the caller's token.
        std::vector<std::jthread> workers;
        for (unsigned j = 0; j < jobs; ++j) workers.emplace_back(work);
        for (std::jthread& worker : workers) worker.join();
    }

    // Stopped: the programs no worker reached are not judged; a run of a program that was read
    // but not run stays not judged.
    if (stop.stop_requested()) {
        for (ProgramResult& p : result.programs) {
            if (!p.program && p.problem == FileProblem::None) {
                p.problem = FileProblem::Stopped;
                p.message = "stopped";
            }
            for (const MissionRun& r : p.runs) {
                if (!r.judged && p.problem == FileProblem::None) result.stopped = true;
            }
            if (p.problem == FileProblem::Stopped) result.stopped = true;
        }
    }
    return result;
}

}  // namespace kavrin::judge
