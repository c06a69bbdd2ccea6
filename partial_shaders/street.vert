#version 150 compatibility
// Street line strips go to the geometry shader in eye space, where it widens them
// to each way's own width.
in float streetWidth;

out float ribbonWidth;

void main()
{
    gl_Position = gl_ModelViewMatrix * gl_Vertex;
    ribbonWidth = streetWidth;
}
