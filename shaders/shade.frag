#version 150 compatibility
// Trees and land cover: their colour, lit per vertex (sunlit.vert), as it stands.
in vec3 shade;

void main()
{
    gl_FragColor = vec4(shade, 1.0);
}
