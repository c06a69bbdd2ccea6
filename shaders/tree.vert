#version 150 compatibility
// Trees carry their own colours, which no colour scheme changes.
out vec3 normal;
out vec3 color;

void main()
{
    normal = gl_NormalMatrix * gl_Normal;
    color = gl_Color.rgb;
    gl_Position = gl_ModelViewProjectionMatrix * gl_Vertex;
}
