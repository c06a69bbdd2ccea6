#version 150 compatibility
// Water surfaces: eye position for the sun's reflection, local ground position
// (metres east and north of the extract's centre) for the ripples.
out vec3 eyePosition;
out vec2 groundPosition;

void main()
{
    vec4 eye = gl_ModelViewMatrix * gl_Vertex;
    eyePosition = eye.xyz;
    groundPosition = gl_Vertex.xy;
    gl_Position = gl_ProjectionMatrix * eye;
}
