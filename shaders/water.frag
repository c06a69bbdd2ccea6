#version 150 compatibility
// Water in its colour, lit by the sun (light 0) with "upVector" as the surface
// normal, plus the sun's glint: a specular reflection off small ripples.
uniform vec3 color;
uniform vec3 upVector;
uniform mat4 osg_ViewMatrix;

in vec3 eyePosition;
in vec2 groundPosition;

// "upVector" is geocentric: the view matrix alone takes a world direction to eye
// space. Without a usable up vector (an extract without water) or without the view
// matrix uniform, the local frame's z axis is used instead: the local frame is
// east-north-up at the extract's centre. The result always points away from the ground.
vec3 eyeUp()
{
    vec3 localUp = normalize(gl_NormalMatrix * vec3(0.0, 0.0, 1.0));
    vec3 up = mat3(osg_ViewMatrix) * upVector;
    if (length(up) < 1.0e-6)
        return localUp;
    up = normalize(up);
    return dot(up, localUp) < 0.0 ? -up : up;
}

void main()
{
    vec3 up = eyeUp();
    vec3 east = normalize(gl_NormalMatrix * vec3(1.0, 0.0, 0.0));
    vec3 north = normalize(gl_NormalMatrix * vec3(0.0, 1.0, 0.0));
    // Ripples of 15 to 40 m in three directions, fading with distance so they do not alias.
    vec2 p = groundPosition;
    float fade = clamp(1.0 - length(eyePosition) / 3000.0, 0.0, 1.0);
    vec2 slope = 0.035 * fade * (vec2(0.8, 0.6) * sin(dot(p, vec2(0.8, 0.6)) * 0.16)
                                + vec2(-0.5, 0.87) * sin(dot(p, vec2(-0.5, 0.87)) * 0.27 + 1.3)
                                + vec2(0.96, -0.28) * sin(dot(p, vec2(0.96, -0.28)) * 0.41 + 2.1));
    vec3 rippled = normalize(up - slope.x * east - slope.y * north);

    vec3 lightPosition = gl_LightSource[0].position.xyz;
    vec3 light = length(lightPosition) > 0.0 ? normalize(lightPosition) : up;
    float sunHeight = dot(light, up);
    vec3 view = normalize(-eyePosition);
    float glint = sunHeight > 0.0 ? pow(max(dot(reflect(-light, rippled), view), 0.0), 120.0) : 0.0;

    vec3 rgb = color * max(0.5, sunHeight) + vec3(1.0, 0.96, 0.85) * glint;
    gl_FragColor = vec4(min(rgb, vec3(1.0)), 1.0);
}
