// The two programs in a row: vetrix runs the heat-plate example in a scratch folder, vetrix-vtk
// converts its results, and the files are read back against DataOut.txt and IniFile.txt.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "unit/tools_vtk/xml_reader.hpp"

namespace {

namespace fs = std::filesystem;
using vetrix::testing::XmlNode;
using vetrix::testing::XmlReader;

std::string slurp(const fs::path& p) {
    std::ifstream is(p);
    std::stringstream ss;
    ss << is.rdbuf();
    return ss.str();
}

int run(const std::string& command) {
    const int status = std::system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::vector<double> array(const XmlNode& x, const std::string& name) {
    return x.find("DataArray", name)->numbers();
}

// The value records of DataOut.txt read with plain stream input: NodT values after each step line.
std::vector<std::vector<double>> dataout_values(const std::string& text, int NodT) {
    std::istringstream is(text);
    std::vector<std::vector<double>> records;
    for (std::string line; std::getline(is, line);) {
        if (line.rfind("*Time", 0) != 0) continue;
        int step;
        double T, DT;
        is >> step >> T >> DT;
        records.emplace_back(NodT);
        for (double& v : records.back()) is >> v;
    }
    return records;
}

#ifdef VETRIX_VTK_EXE
TEST(VtkEndToEnd, HeatPlateResultsReadBack) {
    const fs::path dir = fs::temp_directory_path() / ("vetrix_vtk_e2e_" + std::to_string(getpid()));
    fs::remove_all(dir);
    fs::create_directories(dir);
    for (const auto& f : fs::directory_iterator(fs::path(VETRIX_EXAMPLES) / "heat-plate"))
        if (f.path().extension() == ".txt") fs::copy_file(f.path(), dir / f.path().filename());
    const std::string d = " '" + dir.string() + "'";
    ASSERT_EQ(run("cd" + d + " && " VETRIX_EXE " > screen.txt"), 0);
    ASSERT_EQ(run(VETRIX_VTK_EXE + d + " > /dev/null"), 0);

    const auto records = dataout_values(slurp(dir / "DataOut.txt"), 25);
    ASSERT_EQ(records.size(), 5u);  // steps 0, 5, 10, 15, 20
    const XmlNode pvd = XmlReader::parse(slurp(dir / "DataOut.pvd"));
    ASSERT_EQ(pvd.kids.size(), 1u);
    const std::vector<XmlNode>& sets = pvd.kids[0].kids;
    ASSERT_EQ(sets.size(), 5u);
    for (std::size_t k = 0; k < sets.size(); ++k) {
        EXPECT_DOUBLE_EQ(std::stod(sets[k].attr.at("timestep")), 0.25 * k);
        const XmlNode x = XmlReader::parse(slurp(dir / sets[k].attr.at("file")));
        EXPECT_EQ(x.find("Piece")->attr.at("NumberOfPoints"), "25");
        EXPECT_EQ(array(x, "TEMPERATURE"), records[k]) << "output " << k;
        EXPECT_EQ(array(x, "Step"), (std::vector<double>{5.0 * k}));
    }
    // 32 triangles, 4 flux segments, 1 point source; node 13 is the centre (0.5, 0.5)
    const XmlNode last = XmlReader::parse(slurp(dir / "DataOut_0004.vtu"));
    std::vector<double> types = array(last, "types");
    EXPECT_EQ(std::count(types.begin(), types.end(), 5.0), 32);
    EXPECT_EQ(std::vector<double>(types.begin() + 32, types.end()),
              (std::vector<double>{3, 3, 3, 3, 1}));
    EXPECT_EQ(array(last, "connectivity").back(), 12.0);
    const std::vector<double> xyz = last.find("Points")->find("DataArray")->numbers();
    EXPECT_EQ(std::vector<double>(xyz.begin() + 36, xyz.begin() + 39),
              (std::vector<double>{0.5, 0.5, 0.0}));
    const std::vector<double> temp = array(last, "TEMPERATURE");
    for (int n = 0; n < 25; ++n) {
        if (xyz[3 * n] == 0.0)
            EXPECT_EQ(temp[n], 0.0) << "held edge, node " << n + 1;
        else
            EXPECT_GT(temp[n], 0.0) << "node " << n + 1;
    }

    // the restart file holds the final state; step numbers as times in another folder
    ASSERT_EQ(run(VETRIX_VTK_EXE " --restart" + d + " > /dev/null"), 0);
    const XmlNode ini = XmlReader::parse(slurp(dir / "IniFile_0000.vtu"));
    EXPECT_EQ(array(ini, "TEMPERATURE"), records.back());
    EXPECT_EQ(array(ini, "TimeValue"), (std::vector<double>{1.0}));
    ASSERT_EQ(run(VETRIX_VTK_EXE " --step-time -o '" + (dir / "by_step" / "r").string() + "'" + d +
                  " > /dev/null"),
              0);
    const XmlNode steps = XmlReader::parse(slurp(dir / "by_step" / "r.pvd"));
    EXPECT_EQ(steps.kids[0].kids[4].attr.at("timestep"), "20");
    EXPECT_EQ(steps.kids[0].kids[4].attr.at("file"), "r_0004.vtu");

    // exit statuses: unreadable case, wrong command line
    EXPECT_EQ(run(VETRIX_VTK_EXE " '" + (dir / "by_step").string() + "' 2> /dev/null"), 2);
    EXPECT_EQ(run(VETRIX_VTK_EXE " --frobnicate 2> /dev/null"), 1);
    EXPECT_EQ(run(VETRIX_VTK_EXE " a b 2> /dev/null"), 1);
    fs::remove_all(dir);
}
#endif

}  // namespace
