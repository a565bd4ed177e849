// kestrin --headless as a process against the simulator: search, connect, discover, command box
// lines and a script, and the exit status of every way it can end.
#include <arpa/inet.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <regex>
#include <thread>

#include "bench/core/file_text.h"
#include "sim/nodes/second_gen_controller.h"
#include "sim/simulation.h"

namespace norvane::bench::test {
namespace {

namespace fs = std::filesystem;
using Lines = std::vector<std::string>;

struct Outcome {
    int status = -1;
    Lines out;  ///< standard output, the time of each log line cut off
    std::string err;
};

// A port on 127.0.0.91 that nothing listens on (taken from the system, then released).
std::string ClosedPort() {
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(0x7F00005B);
    bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
    socklen_t length = sizeof address;
    getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
    close(fd);
    return std::to_string(ntohs(address.sin_port));
}

Lines SplitLines(const std::string& text) {
    Lines lines;
    size_t at = 0;
    while (at < text.size()) {
        const size_t end = text.find('\n', at);
        lines.push_back(text.substr(at, end - at));
        if (end == std::string::npos) break;
        at = end + 1;
    }
    return lines;
}

// A program folder of its own: the Language files and, when asked, a copy of kestrin beside a
// library of our choice.
class HeadlessTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() / ("kestrin_headless_" + std::to_string(getpid()) + "_" +
                                            ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir_);
        fs::create_directories(dir_ / "Language");
        for (const char* name : {"English.ini", "Chinese.ini"})
            fs::copy_file(fs::path(KESTRIN_SOURCE_DIR) / "bench/Language" / name, dir_ / "Language" / name);
    }
    void TearDown() override { fs::remove_all(dir_); }

    Outcome Run(std::vector<std::string> args, const std::string& program = KESTRIN_PROGRAM) {
        const std::string outFile = (dir_ / "stdout.txt").string(), errFile = (dir_ / "stderr.txt").string();
        args.insert(args.begin(), {program, "--headless"});
        const pid_t child = fork();
        if (child == 0) {
            const int out = open(outFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
            const int err = open(errFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
            dup2(out, 1);
            dup2(err, 2);
            std::vector<char*> argv;
            for (auto& a : args) argv.push_back(a.data());
            argv.push_back(nullptr);
            execv(argv[0], argv.data());
            _exit(127);
        }
        Outcome outcome;
        int status = 0;
        waitpid(child, &status, 0);
        outcome.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        static const std::regex time("^#: [0-9]{2}:[0-9]{2}:[0-9]{2}:[0-9]{3}: ");
        for (const std::string& line : SplitLines(ReadFileText(outFile).value_or("")))
            outcome.out.push_back(std::regex_replace(line, time, ""));
        outcome.err = ReadFileText(errFile).value_or("");
        return outcome;
    }
    std::string Dir() const { return dir_.string(); }

    fs::path dir_;
};

TEST_F(HeadlessTest, SearchesConnectsDiscoversAndRunsCommandsAndAScriptAgainstTheSimulator) {
    sim::SimConfig config;
    std::string error;
    // Any free port: the runner is told which one.
    ASSERT_TRUE(
        sim::ParseSimConfig("ethernet 127.0.0.90:0\nnode controller 5\nnode controller 7 options=-SP-E\n"
                            "node io 8\n",
                            config, error))
        << error;
    sim::Simulation simulation;
    std::vector<std::string> notes;
    ASSERT_TRUE(simulation.Start(config, error, notes)) << error;

    WriteFileText(Dir() + "/script.txt",
                  "adr5;\r\nPOS;ENA;\r\nSPD100;SPD;GREG;_SLEEP20;\r\nADR9;SPD;SCF4;\r\nRPT2;SPD0;");
    const std::string port = std::to_string(simulation.EthernetGateways().front()->Port());
    // The SDK's answer windows are fixed (500 ms, 1000 ms for discovery): on an overloaded machine a
    // device can miss one. Such a run is repeated; a fault shows in every run.
    const auto complete = [](const Outcome& o) {
        const auto discovered =
            std::count(o.out.begin(), o.out.end(), "Node:5 SUCCESS: GREG<->GREG; site: 5 7 8");
        return o.out.size() > 1 && o.out[0] == "Can site sum: 3" && discovered == 2 &&
               o.out[1].rfind("Node:7 SUCCESS: FBK", 0) == 0;
    };
    Outcome run;
    for (int attempt = 0; attempt < 3 && (attempt == 0 || !complete(run)); ++attempt)
        run = Run({"--program-dir", Dir(), "--ip", "127.0.0.90", "--port", port, "--tick", "7", "--command",
                   "FBK;MDL8;", "--script", Dir() + "/script.txt"});
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.err, "");
    Lines pass = {"Node:5 SUCCESS: POS; position 0 ",
                  "Node:5 SUCCESS: ENA<->ENA; (ENA:1,DIR:0,ACR:0,MCS:16,CUR:10,SPD:0,STP:0)",
                  "Node:5 SUCCESS: SPD100; set speed 100, speed 100 ",
                  "Node:5 SUCCESS: SPD; speed 100 ",
                  "Node:5 SUCCESS: GREG<->GREG; site: 5 7 8",
                  "Node:5 wait 20ms............",
                  "Node:5 SUCCESS: _sleep20ms",
                  "Node:9 ERR: SPD; errno: 0",
                  "Node:9 ERR: SCF4; Cmd not supported"};
    ASSERT_GE(run.out.size(), 3u);
    EXPECT_EQ(run.out[0], "Can site sum: 3");
    EXPECT_EQ(run.out[1], "Node:7 SUCCESS: FBK<->FBK; (ENA:0,DIR:0,ACR:0,MCS:16,CUR:10,SPD:0,STP:0)");
    EXPECT_TRUE(
        std::regex_match(run.out[2], std::regex("Node:7 SUCCESS: MDL8; 控制器名字 KYD.* 固件版本 [0-9]+")))
        << run.out[2];
    Lines script(run.out.begin() + 3, run.out.end());
    ASSERT_EQ(script.size(), 2 * pass.size());
    // The second pass finds the motor already enabled and moving.
    EXPECT_EQ(Lines(script.begin(), script.begin() + 9), pass);
    EXPECT_EQ(script[11], pass[2]);
    EXPECT_EQ(Lines(script.begin() + 13, script.end()), Lines(pass.begin() + 4, pass.end()));
    EXPECT_FALSE(fs::exists(Dir() + "/Language/setting.ini"));  // headless runs never write it
}

TEST_F(HeadlessTest, BatchWriterImportsWritesReadsExportsAndStoresThroughTheSimulator) {
    sim::SimConfig config;
    std::string error;
    ASSERT_TRUE(sim::ParseSimConfig("ethernet 127.0.0.92:0\nnode controller 5\n", config, error)) << error;
    sim::Simulation simulation;
    std::vector<std::string> notes;
    ASSERT_TRUE(simulation.Start(config, error, notes)) << error;
    const std::string file = "SPD,2000\r\nmcfg,48\r\nS12CON,40991\r\nSTG1,500\r\nQER,400\r\nMMSS,300\r\n";
    WriteFileText(Dir() + "/in.csv", file);
    const std::string port = std::to_string(simulation.EthernetGateways().front()->Port());
    const Outcome run = Run({"--program-dir", Dir(), "--ip", "127.0.0.92", "--port", port, "--tick", "5",
                             "--batch", Dir() + "/in.csv", "--batch-write", "--batch-read", "--batch-export",
                             Dir() + "/out.csv", "--batch-eeprom"});
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.err, "");
    auto list = [](const char* result) {
        return Lines{
            std::string("batch: 1,SPD,2000,") + result,     std::string("batch: 2,mcfg,48,") + result,
            std::string("batch: 3,S12CON,40991,") + result, std::string("batch: 4,STG1,500,") + result,
            std::string("batch: 5,QER,400,") + result,      std::string("batch: 6,MMSS,300,") + result};
    };
    Lines expected = {"Can site sum: 1"};
    for (const auto& [result, info] : {std::pair{"", "Parameter file imported."},
                                       {"Pass", "All parameters written and checked."},
                                       {"Read", "All parameters read."},
                                       {"Read", "Parameter file exported."},
                                       {"Read", "All written"}}) {
        const Lines rows = list(result);
        expected.insert(expected.end(), rows.begin(), rows.end());
        expected.push_back(std::string("info: ") + info);
    }
    // The SDK itself prints a line to standard output for every MCFG it sends.
    Lines out;
    for (const std::string& line : run.out)
        if (line.rfind("NvSimCanPackMSG", 0) != 0) out.push_back(line);
    EXPECT_EQ(out, expected);
    EXPECT_EQ(ReadFileText(Dir() + "/out.csv"),
              "SPD,2000\r\nmcfg,48\r\nS12CON,40991\r\nSTG1,500\r\nQER,400\r\nMMSS,300\r\n");
    // The node holds the written registers, and every EEPROM slot the file's motion values.
    simulation.EthernetGateways().front()->Bus().ForEachNode([](sim::SimNode& node) {
        auto& controller = dynamic_cast<sim::nodes::SecondGenController&>(node);
        const auto config = controller.Config();
        EXPECT_EQ(config.mcfg, 48);
        EXPECT_EQ(config.s12con, 0xA01F);
        EXPECT_EQ(config.stg[0], 500);
        EXPECT_EQ(config.qer, 400);
        for (const auto& slot : controller.Eeprom().slots) {
            EXPECT_EQ(slot.speed, 2000);
            EXPECT_EQ(slot.mss, 300);
        }
    });
}

TEST_F(HeadlessTest, ExitStatusTellsBadArgumentsFromFailedBindingSearchOrConnection) {
    Outcome bad = Run({"--tick", "200"});
    EXPECT_EQ(bad.status, 2);
    EXPECT_EQ(SplitLines(bad.err).front(), "kestrin: bad value '200' for --tick");
    EXPECT_EQ(Run({"--frobnicate", "1"}).status, 2);
    EXPECT_EQ(Run({"--com", "3"}).status, 2);
    EXPECT_EQ(SplitLines(Run({"--batch-read"}).err).front(),
              "kestrin: --batch-read needs --batch FILE before it");

    const Outcome lookup =
        Run({"--program-dir", Dir(), "--lang", "Chinese", "--lookup", "IDS_ERR", "--lookup", "NO_KEY"});
    EXPECT_EQ(lookup.status, 0);
    EXPECT_EQ(lookup.out, (Lines{"错误", "Not found"}));

    // Nothing listens at this address and port: the search finds no gateway.
    const Outcome none = Run({"--program-dir", Dir(), "--ip", "127.0.0.91", "--port", ClosedPort()});
    EXPECT_EQ(none.status, 1);
    EXPECT_EQ(none.err, "[Error] No gateway was found.\n");

    // A copy of the program beside a library that lacks SetgDIR: the load message, in Chinese.
    fs::copy_file(KESTRIN_PROGRAM, dir_ / "kestrin");
    fs::copy_file(fs::path(KESTRIN_STUB_DIR) / "stub_sdk_without_setgdir/libNorvaneFunc.so",
                  dir_ / "libNorvaneFunc.so");
    WriteFileText(Dir() + "/Language/setting.ini", "[Setting]\nLanguage=Chinese\n");
    const Outcome unbound = Run({"--ip", "127.0.0.91", "--port", ClosedPort()}, (dir_ / "kestrin").string());
    EXPECT_EQ(unbound.status, 1);
    EXPECT_EQ(unbound.err.rfind("[Kestrin] 无法加载SDK库", 0), 0u) << unbound.err;
}

struct Row {
    std::string time;
    int64_t elapsed = 0;
    int node = 0;
    std::string quantity, value;
    int result = 0;
};

// The rows of a recording; every line must be whole and end in CRLF.
std::vector<Row> RecordRows(const std::string& file, std::string& header) {
    std::vector<Row> rows;
    const std::string text = ReadFileText(file).value_or("");
    EXPECT_TRUE(text.empty() || text.ends_with("\r\n"));
    static const std::regex line(
        "^([0-9]{4}-[0-9]{2}-[0-9]{2}T[0-9]{2}:[0-9]{2}:[0-9]{2}\\.[0-9]{3}Z),([0-9]+),([0-9]+),([a-z0-9]+),("
        "-?[0-9.]*),(-?[0-9]+)\r$");
    for (const std::string& l : SplitLines(text)) {
        if (header.empty()) {
            header = l;
            continue;
        }
        std::smatch m;
        if (!std::regex_match(l, m, line)) {
            ADD_FAILURE() << "row: " << l;
            continue;
        }
        rows.push_back({m[1], std::stoll(m[2]), std::stoi(m[3]), m[4], m[5], std::stoi(m[6])});
    }
    return rows;
}

TEST_F(HeadlessTest, RecordsTheTickedNodesQuantitiesWithPositionsRisingAtTheSetSpeed) {
    sim::SimConfig config;
    std::string error;
    ASSERT_TRUE(sim::ParseSimConfig("ethernet 127.0.0.95:0\nnode controller 5\nnode io 8\n", config, error))
        << error;
    sim::Simulation simulation;
    std::vector<std::string> notes;
    ASSERT_TRUE(simulation.Start(config, error, notes)) << error;
    const std::string port = std::to_string(simulation.EthernetGateways().front()->Port());
    const std::string file = Dir() + "/record.csv";
    Outcome run;
    for (int attempt = 0; attempt < 3 && (attempt == 0 || run.status != 0); ++attempt)
        run = Run({"--program-dir", Dir(), "--ip",         "127.0.0.95",
                   "--port",        port,  "--tick",       "5",
                   "--tick",        "8",   "--command",    "ENA;SPD400;",
                   "--record",      file,  "--quantities", "position,speed,inputs",
                   "--period",      "50",  "--duration",   "1"});
    EXPECT_EQ(run.status, 0) << run.err;
    ASSERT_FALSE(run.out.empty());
    std::string header;
    const std::vector<Row> rows = RecordRows(file, header);
    EXPECT_EQ(header, "time,elapsed_ms,node,quantity,value,result\r");
    EXPECT_EQ(run.out.back(), "record: " + std::to_string(rows.size()) + " samples, 0 failed");
    // A second at 50 ms: about 20 rounds of three samples, each node its own quantities. The last
    // round may end part-way: the end of the duration stops sampling after the read in flight.
    EXPECT_GE(rows.size(), 45u);
    EXPECT_LE(rows.size(), 63u);
    std::vector<double> positions;
    for (size_t i = 0; i < rows.size(); ++i) {
        const Row& row = rows[i];
        EXPECT_EQ(row.result, 1);
        EXPECT_EQ(row.node, i % 3 == 2 ? 8 : 5);
        static const char* const kOrder[] = {"position", "speed", "inputs"};
        EXPECT_EQ(row.quantity, kOrder[i % 3]);
        if (row.quantity == "speed") {
            EXPECT_EQ(row.value, "400");
        }
        if (row.quantity == "position") positions.push_back(std::stod(row.value));
        EXPECT_GE(row.elapsed, i > 0 ? rows[i - 1].elapsed : 0);
    }
    ASSERT_GE(positions.size(), 2u);
    EXPECT_TRUE(std::is_sorted(positions.begin(), positions.end()));
    // 400 steps a second for about a second.
    EXPECT_GT(positions.back() - positions.front(), 200);
}

TEST_F(HeadlessTest, AGatewayThatDropsWhileRecordingEndsTheFileWithFailedRowsAndStatusOne) {
    sim::SimConfig config;
    std::string error;
    ASSERT_TRUE(sim::ParseSimConfig("ethernet 127.0.0.96:0\nnode controller 5\n", config, error)) << error;
    sim::Simulation simulation;
    std::vector<std::string> notes;
    ASSERT_TRUE(simulation.Start(config, error, notes)) << error;
    const std::string port = std::to_string(simulation.EthernetGateways().front()->Port());
    const std::string file = Dir() + "/record.csv";
    // The gateway goes once the file holds a few rows.
    std::thread drop([&] {
        const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (SplitLines(ReadFileText(file).value_or("")).size() < 6 &&
               std::chrono::steady_clock::now() < until)
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        simulation.Stop();
    });
    const Outcome run =
        Run({"--program-dir", Dir(), "--ip", "127.0.0.96", "--port", port, "--tick", "5", "--record", file,
             "--quantities", "position", "--period", "50", "--duration", "3"});
    drop.join();
    EXPECT_EQ(run.status, 1);
    std::string header;
    const std::vector<Row> rows = RecordRows(file, header);
    ASSERT_FALSE(rows.empty()) << run.err;
    const auto failed = std::count_if(rows.begin(), rows.end(), [](const Row& r) { return r.result != 1; });
    ASSERT_GT(failed, 0);
    ASSERT_FALSE(run.out.empty());
    EXPECT_EQ(run.out.back(),
              "record: " + std::to_string(rows.size()) + " samples, " + std::to_string(failed) + " failed");
    // A failed sample has its result and no value; the ones before the drop have both.
    for (const Row& row : rows) EXPECT_EQ(row.value.empty(), row.result != 1) << row.elapsed;
    EXPECT_EQ(rows.front().result, 1);
}

TEST_F(HeadlessTest, BadRecordingOptionsAreRefusedWithStatusTwo) {
    const std::pair<Lines, std::string> cases[] = {
        {{"--record", "x.csv"}, "kestrin: --record and --quantities go together"},
        {{"--quantities", "position"}, "kestrin: --record and --quantities go together"},
        {{"--record", "x.csv", "--quantities", "position,height"},
         "kestrin: unknown quantity 'height' for --quantities"},
        {{"--record", "x.csv", "--quantities", "speed,speed"},
         "kestrin: quantity 'speed' given twice for --quantities"},
        {{"--record", "x.csv", "--quantities", "speed", "--period", "9"},
         "kestrin: bad value '9' for --period"},
        {{"--record", "x.csv", "--quantities", "speed", "--duration", "0"},
         "kestrin: bad value '0' for --duration"},
        {{"--record", "", "--quantities", "speed"}, "kestrin: bad value '' for --record"},
        {{"--period", "50"}, "kestrin: --period and --duration need --record"},
    };
    for (const auto& [args, message] : cases) {
        const Outcome run = Run(args);
        EXPECT_EQ(run.status, 2) << message;
        EXPECT_EQ(SplitLines(run.err).front(), message);
    }
}

}  // namespace
}  // namespace norvane::bench::test
