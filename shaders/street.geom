#version 150 compatibility
// Turns each segment of a street line strip into a flat ribbon "width" metres wide,
// lying across the segment and perpendicular to the up direction. Each segment is
// drawn as a capsule (half-octagon caps on both ends), so consecutive segments
// overlap at bends: no gaps on the outside of a bend, no mitre spikes at sharp ones.
layout(lines) in;
layout(triangle_strip, max_vertices = 10) out;

uniform float width;
uniform vec3 upVector;
uniform mat4 osg_ViewMatrix;

out vec3 normal;

// "upVector" is geocentric: the view matrix alone takes a world direction to eye
// space. Without a usable up vector (a cell without footprint triangles) or without
// the view matrix uniform, the local frame's z axis is used instead: the local frame
// is east-north-up at the extract's centre. The result always points away from the ground.
vec3 eyeUp()
{
    vec3 localUp = normalize(gl_NormalMatrix * vec3(0.0, 0.0, 1.0));
    vec3 up = mat3(osg_ViewMatrix) * upVector;
    if (length(up) < 1.0e-6)
        return localUp;
    up = normalize(up);
    return dot(up, localUp) < 0.0 ? -up : up;
}

void emitEye(vec3 p)
{
    gl_Position = gl_ProjectionMatrix * vec4(p, 1.0);
    EmitVertex();
}

void main()
{
    vec3 a = gl_in[0].gl_Position.xyz;
    vec3 b = gl_in[1].gl_Position.xyz;
    vec3 up = eyeUp();
    vec3 along = b - a;
    along -= dot(along, up) * up;
    float len = length(along);
    if (len < 1.0e-4)
        return;
    vec3 d = along / len;
    vec3 s = cross(d, up);
    float r = 0.5 * width;
    float c = 0.70710678 * r;
    normal = up;

    // One convex outline from the tip behind a to the tip beyond b, zig-zagging
    // between the two sides: counter-clockwise seen from above.
    emitEye(a - d * r);
    emitEye(a - d * c + s * c);
    emitEye(a - d * c - s * c);
    emitEye(a + s * r);
    emitEye(a - s * r);
    emitEye(b + s * r);
    emitEye(b - s * r);
    emitEye(b + d * c + s * c);
    emitEye(b + d * c - s * c);
    emitEye(b + d * r);
    EndPrimitive();
}
