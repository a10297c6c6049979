// vetrix start-up: reads the command line, then the four decks of the case folder, runs the
// solution driver (or only its set-up, for a deck check) and turns the kinds of stop into exit
// statuses.
#include <cstdio>
#include <exception>
#include <new>
#include <string>

#include "common/screen.hpp"
#include "common/stops.hpp"
#include "driver/command_line.hpp"
#include "driver/generico.hpp"
#include "input/startup.hpp"
#if VETRIX_PETSC
#include "parallel/distributed_solver.hpp"
#endif

int main(int argc, char** argv) {
    using namespace vetrix;
#if VETRIX_PETSC
    // Arguments with a single '-' are PETSc's options. Every rank enters the case folder before
    // PETSc starts, so that PETSc reads the case's petscrc; every rank but 0 then serves the
    // distributed solver and touches no file.
    CommandLine command = parse_command_line(argc, argv, true);
    std::string folder_error;
    if (!command.folder.empty() &&
        (command.command == Command::run || command.command == Command::check)) {
        folder_error = enter_case_folder(command.folder);
        command.folder.clear();
    }
    DistributedSession session(&argc, &argv);
    if (!session.root()) {
        session.serve();
        return 0;
    }
    if (!folder_error.empty()) {
        command.command = Command::usage_error;
        command.error = folder_error;
    }
#else
    const CommandLine command = parse_command_line(argc, argv);
#endif
    if (const auto answered = answer_command_line(command)) return *answered;
    // a check answers 1 for every way the run would have stopped, in order or by failure
    const bool check = command.command == Command::check;
    prepare_process();
    int status = 0;
    try {
        RunInput input = read_run_input(!check);
        if (check)
            check_setup(input);
        else
            generico(input);
    } catch (const OrderlyStop& stop) {
        report_stop(stop);
        status = check ? 1 : 0;
    } catch (const RuntimeFailure& e) {
        screen().flush();
        std::fprintf(stderr, "vetrix: %s\n", e.what());
        status = check ? 1 : 2;
    } catch (const std::bad_alloc&) {
        screen().flush();
        std::fprintf(stderr, "vetrix: out of memory\n");
        status = 3;
    } catch (const std::exception& e) {
        screen().flush();
        std::fprintf(stderr, "vetrix: %s\n", e.what());
        status = 4;
    }
    screen().flush();
    return status;
}
