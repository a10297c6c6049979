// Plate with a hole: a 2 x 1 rectangle with a round hole of radius 0.25 at its centre.
// The hole is a heater (heat flux enters through its rim), the left and right edges are
// held at temperature 0, the top and bottom edges are insulated.
//   gmsh -2 -format msh41 plate.geo -o plate.msh
SetFactory("Built-in");

lc_edge = 0.1;    // element size along the outer edges
lc_hole = 0.05;   // element size on the rim of the hole
r = 0.25;

// outer rectangle, counter-clockwise from the lower left corner
Point(1) = {0, 0, 0, lc_edge};
Point(2) = {2, 0, 0, lc_edge};
Point(3) = {2, 1, 0, lc_edge};
Point(4) = {0, 1, 0, lc_edge};
Line(1) = {1, 2};   // bottom
Line(2) = {2, 3};   // right
Line(3) = {3, 4};   // top
Line(4) = {4, 1};   // left

// hole: centre and four points on the circle
Point(5) = {1, 0.5, 0, lc_hole};
Point(6) = {1 + r, 0.5, 0, lc_hole};
Point(7) = {1, 0.5 + r, 0, lc_hole};
Point(8) = {1 - r, 0.5, 0, lc_hole};
Point(9) = {1, 0.5 - r, 0, lc_hole};
Circle(5) = {6, 5, 7};
Circle(6) = {7, 5, 8};
Circle(7) = {8, 5, 9};
Circle(8) = {9, 5, 6};

Curve Loop(1) = {1, 2, 3, 4};
Curve Loop(2) = {5, 6, 7, 8};
Plane Surface(1) = {1, 2};

Physical Surface("plate") = {1};
Physical Curve("hole") = {5, 6, 7, 8};
Physical Curve("left") = {4};
Physical Curve("right") = {2};
Physical Curve("insulated") = {1, 3};
