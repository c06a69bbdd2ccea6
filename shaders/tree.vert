#version 150 compatibility
// Trees carry their own colours, which no colour scheme changes.
vec3 sunlit(vec3 colour, vec3 eyeNormal);

out vec3 shade;

void main()
{
    shade = sunlit(gl_Color.rgb, gl_NormalMatrix * gl_Normal);
    gl_Position = gl_ModelViewProjectionMatrix * gl_Vertex;
}
