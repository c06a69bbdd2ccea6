#version 150 compatibility
// Streets in their kind's colour, lit by the sun (light 0) like the buildings.
uniform vec3 color;

in vec3 normal;

void main()
{
    vec3 light = gl_LightSource[0].position.xyz;
    float intensity = length(light) > 0.0 ? dot(normalize(light), normalize(normal)) : 1.0;
    gl_FragColor = vec4(max(0.5, intensity) * color, 1.0);
}
