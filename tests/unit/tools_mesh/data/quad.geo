// parallelogram cut into 2 x 1 quadrangles, with its edges and a corner point as groups
Point(1) = {0,0,0}; Point(2) = {2,0.5,0}; Point(3) = {2.6,1.7,0}; Point(4) = {0.6,1.2,0};
Line(1) = {1,2}; Line(2) = {2,3}; Line(3) = {3,4}; Line(4) = {4,1};
Curve Loop(1) = {1,2,3,4}; Plane Surface(1) = {1};
Transfinite Curve{1,3} = 3; Transfinite Curve{2,4} = 2;
Transfinite Surface{1}; Recombine Surface{1};
Physical Surface("skin") = {1};
Physical Curve("bottom") = {1};
Physical Point("corner") = {3};
