#version 150 compatibility
// The sun (light 0) lights a surface as it lights the buildings and the streets: half
// its colour in the shade, all of it facing the sun. Linked into the programs whose
// shade is worked out per vertex, which spares the rasteriser a normal per pixel.
vec3 sunlit(vec3 colour, vec3 eyeNormal)
{
    vec3 light = gl_LightSource[0].position.xyz;
    float intensity = length(light) > 0.0 ? dot(normalize(light), normalize(eyeNormal)) : 1.0;
    return max(0.5, intensity) * colour;
}
