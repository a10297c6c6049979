// vetrix start-up: reads the four decks of the working folder, runs the solution driver and turns
// the two kinds of stop into exit statuses.
#include <cstdio>
#include <exception>
#include <new>

#include "common/screen.hpp"
#include "common/stops.hpp"
#include "driver/generico.hpp"
#include "input/startup.hpp"
#if VETRIX_PETSC
#include "parallel/distributed_solver.hpp"
#endif

int main([[maybe_unused]] int argc, [[maybe_unused]] char** argv) {
    using namespace vetrix;
#if VETRIX_PETSC
    // PETSc and MPI around the run (arguments with a single '-' are PETSc's options); every
    // rank but 0 serves the distributed solver and touches no file
    DistributedSession session(&argc, &argv);
    if (!session.root()) {
        session.serve();
        return 0;
    }
#endif
    int status = 0;
    try {
        RunInput input = read_run_input();
        generico(input);
    } catch (const OrderlyStop&) {
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
