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
using Reals = std::vector<double>;

// The file parsed by the strict reader (malformed XML throws).
XmlNode parse(const fs::path& p) {
    std::stringstream ss;
    ss << std::ifstream(p).rdbuf();
    return vetrix::testing::XmlReader::parse(ss.str());
}

int run(const std::string& command) {
    const int status = std::system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

Reals array(const XmlNode& x, const std::string& name) {
    return x.find("DataArray", name)->numbers();
}

std::string text_of(const fs::path& p) {
    std::stringstream ss;
    ss << std::ifstream(p, std::ios::binary).rdbuf();
    return ss.str();
}

#ifdef VETRIX_VTK_EXE
// A fresh folder holding the heat-plate example after a run of vetrix.
fs::path heat_plate_run(const std::string& name) {
    const fs::path dir = fs::temp_directory_path() / (name + std::to_string(getpid()));
    fs::remove_all(dir);
    fs::create_directories(dir);
    for (const auto& f : fs::directory_iterator(fs::path(VETRIX_EXAMPLES) / "heat-plate"))
        if (f.path().extension() == ".txt") fs::copy_file(f.path(), dir / f.path().filename());
    EXPECT_EQ(run("cd '" + dir.string() + "' && " VETRIX_EXE " > screen.txt"), 0);
    return dir;
}

TEST(VtkEndToEnd, HeatPlateResultsReadBack) {
    const fs::path dir = heat_plate_run("vetrix_vtk_e2e_");
    const std::string d = " '" + dir.string() + "'";
    ASSERT_EQ(run(VETRIX_VTK_EXE + d + " > /dev/null"), 0);

    // the value records of DataOut.txt read with plain stream input: 25 values after each step
    std::ifstream dataout(dir / "DataOut.txt");
    std::vector<Reals> records;
    for (std::string line; std::getline(dataout, line);) {
        if (line.rfind("*Time", 0) != 0) continue;
        double step_T_DT[3];
        for (double& v : step_T_DT) dataout >> v;
        for (double& v : records.emplace_back(25)) dataout >> v;
    }
    ASSERT_EQ(records.size(), 5u);  // steps 0, 5, 10, 15, 20
    const XmlNode pvd = parse(dir / "DataOut.pvd");
    ASSERT_EQ(pvd.kids.size(), 1u);
    const std::vector<XmlNode>& sets = pvd.kids[0].kids;
    ASSERT_EQ(sets.size(), 5u);
    for (std::size_t k = 0; k < sets.size(); ++k) {
        EXPECT_DOUBLE_EQ(std::stod(sets[k].attr.at("timestep")), 0.25 * k);
        const XmlNode x = parse(dir / sets[k].attr.at("file"));
        EXPECT_EQ(x.find("Piece")->attr.at("NumberOfPoints"), "25");
        EXPECT_EQ(array(x, "TEMPERATURE"), records[k]) << "output " << k;
        EXPECT_EQ(array(x, "Step"), (Reals{5.0 * k}));
    }
    // 32 triangles, 4 flux segments, 1 point source at node 13, the centre (0.5, 0.5)
    const XmlNode last = parse(dir / "DataOut_0004.vtu");
    const Reals types = array(last, "types");
    EXPECT_EQ(std::count(types.begin(), types.end(), 5.0), 32);
    EXPECT_EQ(Reals(types.begin() + 32, types.end()), (Reals{3, 3, 3, 3, 1}));
    EXPECT_EQ(array(last, "connectivity").back(), 12.0);
    const Reals xyz = last.find("Points")->find("DataArray")->numbers();
    EXPECT_EQ(Reals(xyz.begin() + 36, xyz.begin() + 39), (Reals{0.5, 0.5, 0.0}));

    // the restart file holds the final state; step numbers as times in another folder
    ASSERT_EQ(run(VETRIX_VTK_EXE " --restart" + d + " > /dev/null"), 0);
    const XmlNode ini = parse(dir / "IniFile_0000.vtu");
    EXPECT_EQ(array(ini, "TEMPERATURE"), records.back());
    EXPECT_EQ(array(ini, "TimeValue"), (Reals{1.0}));
    ASSERT_EQ(run(VETRIX_VTK_EXE " --step-time -o '" + (dir / "by_step" / "r").string() + "'" + d +
                  " > /dev/null"),
              0);
    const XmlNode steps = parse(dir / "by_step" / "r.pvd");
    EXPECT_EQ(steps.kids[0].kids[4].attr.at("timestep"), "20");
    EXPECT_EQ(steps.kids[0].kids[4].attr.at("file"), "r_0004.vtu");

    // exit statuses: unreadable case, wrong command line
    EXPECT_EQ(run(VETRIX_VTK_EXE " '" + (dir / "by_step").string() + "' 2> /dev/null"), 2);
    EXPECT_EQ(run(VETRIX_VTK_EXE " --frobnicate 2> /dev/null"), 1);
    EXPECT_EQ(run(VETRIX_VTK_EXE " a b 2> /dev/null"), 1);
    fs::remove_all(dir);
}

// A failed export leaves the files of the earlier one as they were and no temporary file; a
// sound one removes the frames of an earlier export that it does not list, and nothing else.
// Messages show the bytes of a binary input as printable text; a missing folder is made only
// below an existing one unless --parents asks.
TEST(VtkEndToEnd, ExportReplacesWholeAndTidies) {
    const fs::path dir = heat_plate_run("vetrix_vtk_tidy_");
    const std::string d = " '" + dir.string() + "'", err = (dir / "err.txt").string();
    const std::string good = text_of(dir / "DataOut.txt");
    ASSERT_EQ(run(VETRIX_VTK_EXE + d + " > /dev/null"), 0);
    const std::vector<std::string> stale = {"DataOut_0005.vtu", "DataOut_0123.vtu"};
    const std::vector<std::string> kept = {"DataOut_05.vtu", "DataOut_0005.vtu.bak",
                                           "IniFile_0007.vtu", "DataOut_00007.vtu"};
    for (const auto& list : {stale, kept})
        for (const std::string& f : list) std::ofstream(dir / f) << "x";
    ASSERT_EQ(run(VETRIX_VTK_EXE + d + " > '" + err + "'"), 0);
    EXPECT_NE(text_of(err).find("collection " + dir.string() +
                                "/DataOut.pvd, 2 frame(s) of an "
                                "earlier export removed"),
              std::string::npos)
        << text_of(err);
    for (const std::string& f : stale) EXPECT_FALSE(fs::exists(dir / f)) << f;
    for (const std::string& f : kept) EXPECT_TRUE(fs::exists(dir / f)) << f;

    std::vector<std::string> before;
    for (int k = 0; k < 5; ++k)
        before.push_back(text_of(dir / ("DataOut_000" + std::to_string(k) + ".vtu")));
    before.push_back(text_of(dir / "DataOut.pvd"));
    // results that would change every frame: step 9 in the first record
    std::string changed = good;
    changed.replace(changed.find("       0   0.000"), 8, "       9");
    const std::size_t third =
        changed.find("*Time", changed.find("*Time", changed.find("*Time") + 1) + 1);
    for (const auto& [limit, data, message] :
         {std::tuple{"", changed.substr(0, third + 40),
                     "DataOut.txt: end of file while reading value"},
          {"", changed.substr(0, third) + "*Time\n 1 2 3\n\x1b[2J\x01\xff\xc3\xa4 7\n",
           "DataOut.txt, line 57: \"\\x1b[2J\\x01\\xff\xc3\xa4\" is not a real number"},
          {"ulimit -f 2; ", changed, "DataOut_0000.vtu: File too large"}}) {
        std::ofstream(dir / "DataOut.txt", std::ios::binary) << data;
        EXPECT_EQ(run(limit + std::string(VETRIX_VTK_EXE) + d + " 2> '" + err + "'"), 2);
        const std::string m = text_of(err);
        EXPECT_NE(m.find(message), std::string::npos) << m;
        EXPECT_TRUE(std::all_of(m.begin(), m.end() - 1, [](unsigned char c) {
            return c >= 0x20 && c != 0x7f;  // UTF-8 letters stay, control bytes do not
        })) << m;
        for (int k = 0; k < 5; ++k)
            EXPECT_EQ(text_of(dir / ("DataOut_000" + std::to_string(k) + ".vtu")), before[k]);
        EXPECT_EQ(text_of(dir / "DataOut.pvd"), before[5]);
        for (const auto& f : fs::directory_iterator(dir))
            EXPECT_EQ(f.path().string().find(".tmp."), std::string::npos) << f.path();
    }
    std::ofstream(dir / "DataOut.txt", std::ios::binary) << good;

    const std::string deep = (dir / "no" / "such" / "r").string();
    EXPECT_EQ(run(VETRIX_VTK_EXE " -o '" + deep + "'" + d + " 2> '" + err + "'"), 2);
    EXPECT_EQ(text_of(err), "vetrix-vtk: cannot create the folder " +
                                (dir / "no" / "such").string() + ": " + (dir / "no").string() +
                                " does not exist (--parents makes it)\n");
    EXPECT_FALSE(fs::exists(dir / "no"));
    EXPECT_EQ(run(VETRIX_VTK_EXE " --parents -o '" + deep + "'" + d + " > /dev/null"), 0);
    EXPECT_TRUE(fs::exists(deep + ".pvd"));
    fs::remove_all(dir);
}
#endif

}  // namespace
