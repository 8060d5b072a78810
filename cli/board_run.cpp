#include "cli/board_run.h"

#include <optional>
#include <sstream>
#include <thread>
#include <vector>

#include "cli/bus_name.h"
#include "cli/eeprom_commands.h"
#include "cli/exit_codes.h"
#include "cli/interrupts.h"
#include "cli/json_values.h"
#include "cli/run_command.h"
#include "cli/run_log.h"

namespace cli {
namespace {

struct BoardOutput {
    std::string label;  // "board 2 (i2c-7)"
    std::string bus;
    std::ostringstream out;
    std::ostringstream err;
    int code = kExitBadUsage;
};

// Interrupted outweighs a failed chip, which outweighs bad usage: the worst board decides.
int combinedCode(const std::vector<BoardOutput>& boards) {
    int code = kExitOk;
    auto rank = [](int c) { return c == kExitInterrupted ? 3 : c == kExitChipFailed ? 2 : c; };
    for (const BoardOutput& b : boards) {
        if (b.code != kExitOk && (code == kExitOk || rank(b.code) > rank(code))) code = b.code;
    }
    return code;
}

void printBoard(const BoardOutput& board, int number, const Io& io) {
    // Messages keep the tool's one prefix, then name the board.
    std::istringstream err(board.err.str());
    for (std::string line; std::getline(err, line);) {
        const std::string prefix = "varenthal-cli: ";
        if (line.rfind(prefix, 0) == 0) line.erase(0, prefix.size());
        io.err << prefix << board.label << ": " << line << '\n';
    }
    std::istringstream out(board.out.str());
    if (!io.json) {
        // eeprom program says everything on the message stream: no empty block.
        if (!out.str().empty()) io.out << board.label << ":\n" << out.str();
        return;
    }
    // The board's own object as a single-board run prints it, wrapped with its label.
    for (std::string line; std::getline(out, line);) {
        if (line.empty()) continue;
        io.out << Json{{"schema_version", kSchemaVersion},
                       {"board", number},
                       {"adapter", board.bus},
                       {"output", Json::parse(line)}}
                      .dump()
               << '\n';
    }
    io.out << std::flush;
}

}  // namespace

int runOnBoards(const CliOptions& options, const Io& io) {
    // The file and the consent are the same for every board: checked and asked once.
    CliOptions shared = options;
    RunRecord sharedRecord;
    Io sharedIo = io;
    sharedIo.record = &sharedRecord;
    EepromPlan plan;
    if (const int code = prepareEeprom(options, plan, sharedIo); code != kExitOk) {
        if (io.json) printJson(sharedIo, errorJson(sharedRecord, code));
        return code;
    }
    shared.yes = true;
    shared.boards.clear();

    // Programming: one watch for the whole run, so that each board's sequence nests in it
    // and sees a signal noted before its own began. Other commands end on a signal at once,
    // as on one board.
    std::optional<InterruptWatch> watch;
    if (options.command == Command::EepromProgram) watch.emplace();
    std::vector<BoardOutput> boards(options.boards.size());
    std::vector<std::thread> threads;
    for (std::size_t i = 0; i < boards.size(); ++i) {
        BoardOutput& board = boards[i];
        board.bus = busName(options.boards[i]);
        board.label = "board " + std::to_string(i + 1) + " (" + board.bus + ")";
        threads.emplace_back([&shared, &options, &board, i, json = io.json] {
            CliOptions mine = shared;
            mine.adapter = options.boards[i];
            mine.board = static_cast<int>(i + 1);
            std::istringstream noAnswers;
            const Io boardIo{board.out, board.err, noAnswers, json, {}, nullptr};
            board.code = runOnBoard(mine, boardIo);
        });
    }
    for (std::thread& t : threads) t.join();
    for (std::size_t i = 0; i < boards.size(); ++i)
        printBoard(boards[i], static_cast<int>(i + 1), io);
    return combinedCode(boards);
}

}  // namespace cli
