// vetrix start-up: reads the command line, then the four decks of the case folder, runs the
// solution driver (or only its set-up, for a deck check) and turns the kinds of stop into exit
// statuses.
#include <cstdio>
#include <exception>
#include <new>

#include "common/screen.hpp"
#include "common/stops.hpp"
#include "driver/command_line.hpp"
#include "driver/generico.hpp"
#include "input/startup.hpp"

int main(int argc, char** argv) {
    using namespace vetrix;
    const CommandLine command = parse_command_line(argc, argv);
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
