// generico: the solution driver.
#include "driver/generico.hpp"

#include "driver/driver_state.hpp"
#include "driver/setup.hpp"

namespace vetrix {

void generico(RunInput& in) {
    DriverState w;
    driver_setup(in, w);
}

}  // namespace vetrix
