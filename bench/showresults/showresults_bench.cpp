// The list step for 10,000, 100,000 and 1,000,000 result lines, beside a plain copy of
// the same lines (the least any list step does) as the peer to compare with.
//
// Each iteration frees a list of up to 1,000,000 lines. glibc hands memory past its
// trim threshold back to the system and faults it in again on the next iteration, so at
// 1,000,000 lines the default allocator adds a step that is no part of the list step;
// run with MALLOC_TRIM_THRESHOLD_=1000000000 MALLOC_TOP_PAD_=500000000 to see the
// list step alone.
#include "browse/list_step.h"

#include <benchmark/benchmark.h>

#include <string>
#include <vector>

namespace {

AppSettings AllColumns()
{
    AppSettings s;
    s.u_user_id = s.u_user_name = s.u_num_logons = s.u_last_logon = s.u_expires = s.u_disabled = 1;
    s.u_pw_check = s.u_max_storage = s.u_profile_check = s.u_script_check = s.u_pass_expires = 1;
    s.n_Net_Types = s.n_Domains = s.n_Domain_Members = s.n_Shares_Disk = s.n_Shares_Printer = 1;
    return s;
}

std::vector<std::string> UserLines(std::size_t count)
{
    std::vector<std::string> lines;
    lines.reserve(count + 1);
    for (std::size_t i = 0; i < count; ++i) {
        lines.push_back("user" + std::to_string(i) +
                        "\tSome Body\t        12\tWed Jan 02 02:03:55 1980 \tNever\tNo\tYes\t        -1\t*None*\t"
                        "*None*\tYes\t       513");
    }
    lines.emplace_back("END_OF_DATA");
    return lines;
}

const ResultTable& UsersTable(std::size_t count)
{
    static std::size_t built = 0;
    static ResultTable table;
    if (built != count) {
        table.userLines = UserLines(count);
        built = count;
    }
    return table;
}

const ResultTable& FilesTable(std::size_t count)
{
    static std::size_t built = 0;
    static ResultTable table;
    if (built != count) {
        table = ResultTable{};
        for (std::size_t i = 0; i < count; ++i)
            AddOwnerBytes(i * 4099, "owner" + std::to_string(i), table);
        built = count;
    }
    return table;
}

const ResultTable& NetworkTable(std::size_t count)
{
    static std::size_t built = 0;
    static ResultTable table;
    if (built != count) {
        table = ResultTable{};
        for (std::size_t i = 0; i < count; ++i) {
            AddNetworkEntry(table, (i % 10 == 0 ? "D\tDOMAIN" : "S\t\t\\\\SERVER") + std::to_string(i));
        }
        built = count;
    }
    return table;
}

void CopyLinesPeer(benchmark::State& state)
{
    const auto count = static_cast<std::size_t>(state.range(0));
    const ResultTable& table = UsersTable(count);
    for (auto _ : state) {
        std::vector<std::string> copy(table.userLines.begin(), table.userLines.end() - 1);
        benchmark::DoNotOptimize(copy.data());
    }
    state.SetComplexityN(state.range(0));
}

void BuildUsersList(benchmark::State& state)
{
    const auto count = static_cast<std::size_t>(state.range(0));
    const ResultTable& table = UsersTable(count);
    const AppSettings settings = AllColumns();
    for (auto _ : state) {
        ListContent list = BuildList(WorkerKind::USERS, table, settings);
        benchmark::DoNotOptimize(list.lines.data());
    }
    state.SetComplexityN(state.range(0));
}

// The usual case: the browse gives up its table, so the lines move into the list.
void BuildUsersListFromOwnedTable(benchmark::State& state)
{
    const auto count = static_cast<std::size_t>(state.range(0));
    const AppSettings settings = AllColumns();
    for (auto _ : state) {
        state.PauseTiming();
        ResultTable table = UsersTable(count);
        state.ResumeTiming();
        ListContent list = BuildList(WorkerKind::USERS, std::move(table), settings);
        benchmark::DoNotOptimize(list.lines.data());
    }
    state.SetComplexityN(state.range(0));
}

void BuildFilesList(benchmark::State& state)
{
    const auto count = static_cast<std::size_t>(state.range(0));
    const ResultTable& table = FilesTable(count);
    const AppSettings settings = AllColumns();
    for (auto _ : state) {
        ListContent list = BuildList(WorkerKind::FILES, table, settings);
        benchmark::DoNotOptimize(list.lines.data());
    }
    state.SetComplexityN(state.range(0));
}

void BuildNetworkList(benchmark::State& state)
{
    const auto count = static_cast<std::size_t>(state.range(0));
    const ResultTable& table = NetworkTable(count);
    const AppSettings settings = AllColumns();
    for (auto _ : state) {
        ListContent list = BuildList(WorkerKind::NETWORK, table, settings);
        benchmark::DoNotOptimize(list.lines.data());
    }
    state.SetComplexityN(state.range(0));
}

constexpr int64_t kSizes[] = {10'000, 100'000, 1'000'000};

void Sizes(benchmark::internal::Benchmark* bench)
{
    for (int64_t size : kSizes)
        bench->Arg(size);
    bench->Unit(benchmark::kMillisecond)->Complexity(benchmark::oN);
}

BENCHMARK(CopyLinesPeer)->Apply(Sizes);
BENCHMARK(BuildUsersList)->Apply(Sizes);
BENCHMARK(BuildUsersListFromOwnedTable)->Apply(Sizes);
BENCHMARK(BuildFilesList)->Apply(Sizes);
BENCHMARK(BuildNetworkList)->Apply(Sizes);

}  // namespace

BENCHMARK_MAIN();
