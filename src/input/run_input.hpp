// RunInput: everything start-up reads from the four decks and hands to the solution driver.
// Field names are the names under which the driver and the other subsystems know the data.
#pragma once

#include <string>
#include <vector>

#include "common/types.hpp"

namespace vetrix {

// Length of a degree-of-freedom name.
inline constexpr integer kDofNameLength = 16;

struct RunInput {
    // -- Mesh.txt --
    integer NodT = 0;   // nodes
    integer NelT = 0;   // elements
    integer NDim = 0;   // coordinates per node
    integer NDof = 0;   // degree-of-freedom slots per node
    integer MaxNodEl = 0;  // largest element node count, 0 without elements
    std::vector<real> X;              // NDim*NodT: coordinate k of node n at (n-1)*NDim + k
    std::vector<integer> IE;          // NelT + 1 pointers into JE; IE(NelT+1) = Length_JE + 1
    std::vector<integer> JE;          // Length_JE node numbers, element by element
    std::vector<integer> iElementType;  // NelT: row of the element library table
    std::vector<integer> iElementMat;   // NelT: parameter group
    std::vector<integer> idoftype;    // NTotDof*NSubSteps: <0 prescribed, >=0 not prescribed
    std::vector<real> dirich;         // NTotDof*NSubSteps: prescribed values

    // -- Basparam.txt: run control --
    integer ParamWriteSwitch = 0;  // nonzero: Param.txt rewritten at output steps
    integer iInitialTime = 0;      // nonzero: the start time is taken from IniFile.txt
    real DT = 0.0;
    real Tini = 0.0;
    real tfinal = 0.0;
    integer NPrint = 1;  // screen-report interval in time steps
    integer NOut = 1;    // output interval in time steps
    integer NNodesOut = 0;
    std::vector<integer> nodesout;  // NNodesOut output nodes; empty when NNodesOut < 1
    integer NTypes = 0;   // rows of each substep's element library table
    integer NCommon = 0;  // common parameters per element type
    integer iRenumbering = 0;
    integer NSubSteps = 0;

    // -- Basparam.txt: outer loop --
    logical iterativeg = 0;
    integer maxiterg = 0;
    real srpg = 0.0;
    integer NTimeLevels = 0;
    std::vector<real> rnormg;        // NDof
    std::vector<real> tolg;          // NDof
    std::vector<integer> idofnamesg;  // 16*NDof character codes
    std::vector<integer> ixupdateg;   // NDim

    // -- Basparam.txt: per substep --
    std::vector<logical> sym, iterative;  // NSubSteps
    std::vector<integer> maxiter;         // NSubSteps
    std::vector<real> srp;                // NSubSteps
    std::vector<integer> isolvertype, itmaxsol, krylov, lfil;  // NSubSteps
    std::vector<real> eps, tolpre;        // NSubSteps
    std::vector<integer> ielementlib;     // NTypes*5 per substep: entry (r,c) of substep s at
                                          // (s-1)*5*NTypes + (c-1)*NTypes + r
    std::vector<real> commonpar;          // NCommon*NTypes per substep: (j,r) of s at
                                          // (s-1)*NCommon*NTypes + (r-1)*NCommon + j
    std::vector<real> rnorm, tol;         // NDof per substep
    std::vector<integer> idofnames;       // 16*NDof character codes per substep
    std::vector<integer> ixupdate;        // NDim per substep
    integer NSlots = 0;                   // coupling slots: largest |column 4| of all tables
    std::vector<integer> icoupling;       // M*M*NSlots, M = NDof*MaxNodEl: (i,j) of slot k at
                                          // (k-1)*M*M + (j-1)*M + i

    // -- Param.txt --
    integer NParamGroups = 0;
    std::vector<integer> ie__param;  // NParamGroups + 1 pointers into param
    std::vector<integer> ie_jparam;  // NParamGroups + 1 pointers into jparam
    std::vector<real> param;         // max(1, 2*lengthparam): two equal halves
    std::vector<integer> jparam;     // max(1, 2*lengthjparam): two equal halves

    // -- IniFile.txt --
    std::vector<real> sol0;  // NTimeLevels*NTotDof, level 1 the newest

    integer NTotDof() const { return NodT * NDof; }
    integer NDofEl() const { return NDof * MaxNodEl; }
};

}  // namespace vetrix
