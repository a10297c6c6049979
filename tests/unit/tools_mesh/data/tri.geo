// triangle patch with a slanted edge
Point(1) = {0,0,0,1.0}; Point(2) = {1.5,0.2,0,1.0}; Point(3) = {0.4,1.3,0,1.0};
Line(1) = {1,2}; Line(2) = {2,3}; Line(3) = {3,1};
Curve Loop(1) = {1,2,3}; Plane Surface(1) = {1};
Physical Surface("patch") = {1};
Physical Curve("edge") = {2};
