// vetrix start-up: reads the four decks of the working folder, runs the solution driver and turns
// the two kinds of stop into exit statuses.
#include <cstdio>
#include <exception>
#include <new>

#include "common/screen.hpp"
#include "common/stops.hpp"
#include "driver/generico.hpp"
#include "input/startup.hpp"

int main() {
    using namespace vetrix;
    prepare_process();
    int status = 0;
    try {
        RunInput input = read_run_input();
        generico(input);
    } catch (const OrderlyStop& stop) {
        report_stop(stop);
        status = 0;
    } catch (const RuntimeFailure& e) {
        screen().flush();
        std::fprintf(stderr, "vetrix: %s\n", e.what());
        status = 2;
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
