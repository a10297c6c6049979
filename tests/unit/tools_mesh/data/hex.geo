// parallelepiped cut into 2 x 1 x 1 hexahedra
a[] = {2,0.3,0}; b[] = {0.4,1,0.2}; c[] = {0.1,0.3,1.5};
Point(1) = {0,0,0};
Point(2) = {a[0],a[1],a[2]};
Point(3) = {a[0]+b[0],a[1]+b[1],a[2]+b[2]};
Point(4) = {b[0],b[1],b[2]};
Line(1) = {1,2}; Line(2) = {2,3}; Line(3) = {3,4}; Line(4) = {4,1};
Curve Loop(1) = {1,2,3,4}; Plane Surface(1) = {1};
Transfinite Curve{1,3} = 3; Transfinite Curve{2,4} = 2;
Transfinite Surface{1}; Recombine Surface{1};
out[] = Extrude {c[0],c[1],c[2]} { Surface{1}; Layers{1}; Recombine; };
Physical Volume("block") = {out[1]};
Physical Surface("floor") = {1};
