// read_run_input: the start-up sequence, from opening the decks to the data for the driver.
#include "input/startup.hpp"

#include "input/control_file.hpp"
#include "input/initial_conditions.hpp"
#include "input/mesh_file.hpp"
#include "input/param_file.hpp"
#include "io/deck_file.hpp"
#include "io/screen_text.hpp"

namespace vetrix {

RunInput read_run_input(bool open_log) {
    RunInput in;
    // 1 - the three decks that must exist before anything is written
    DeckFile control("Basparam.txt");
    DeckFile mesh("Mesh.txt");
    DeckFile ini("IniFile.txt");
    control.require_finite_reals();
    mesh.require_finite_reals();
    ini.require_finite_reals();
    // 2, 3 - banner (always on the screen), then the optional log file
    say({"VETRIX NOW RUNNING"});
    redirect_screen(control, open_log);
    say({"Reading Data"});
    // 5, 6 - mesh
    read_mesh(mesh, in);
    // 7 - control values
    read_control(control, in);
    // 8 - element parameters
    {
        DeckFile params("Param.txt");
        params.require_finite_reals();
        read_parameters(params, in);
    }
    // 9 - prescribed values
    read_dirichlet(mesh, in);
    // 10 - initial levels and start time
    read_initial_conditions(ini, in);
    check_time_steps(in);
    return in;
}

}  // namespace vetrix
