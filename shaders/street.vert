#version 150 compatibility
// Street line strips go to the geometry shader in eye space, where it widens them.
void main()
{
    gl_Position = gl_ModelViewMatrix * gl_Vertex;
}
