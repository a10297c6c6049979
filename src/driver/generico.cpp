// generico: the solution driver.
#include "driver/generico.hpp"

namespace vetrix {

void generico(RunInput&) {}

}  // namespace vetrix
