#version 150 compatibility
// Turns each segment of a street line strip into a flat ribbon as many metres wide
// as its way (every vertex of a way carries the way's width), lying across the
// segment and perpendicular to the up direction. Each segment ends in a
// half-octagon cap. The outside of a bend always lies ahead of the end of the
// segment before it, inside that cap, so consecutive segments leave no gap there and
// grow no mitre spikes at sharp bends. A cap at the start too would only round off a
// way's first end, for three more triangles on every segment. A ribbon a few pixels
// wide on the screen is drawn without caps: what they would fill at a bend is about
// a pixel, and the renderer pays for every tiny triangle as for a block of pixels.
layout(lines) in;
layout(triangle_strip, max_vertices = 7) out;

in float ribbonWidth[];

uniform vec3 upVector;
uniform mat4 osg_ViewMatrix;

out vec3 normal;

// Below this width, as a fraction of the screen height, caps are left out.
const float capWidthOnScreen = 1.0 / 120.0;

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

// Outputs are undefined after EmitVertex, so the normal goes with every vertex.
void emitEye(vec3 p, vec3 up)
{
    normal = up;
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
    float width = ribbonWidth[0];
    float r = 0.5 * width;
    float c = 0.70710678 * r;

    // One convex outline from the start across to the tip beyond b, zig-zagging
    // between the two sides.
    emitEye(a + s * r, up);
    emitEye(a - s * r, up);
    emitEye(b + s * r, up);
    emitEye(b - s * r, up);
    // The screen height spans 2 in clip space at unit depth.
    if (width * gl_ProjectionMatrix[1][1] >= 2.0 * capWidthOnScreen * max(-b.z, 1.0e-3))
    {
        emitEye(b + d * c + s * c, up);
        emitEye(b + d * c - s * c, up);
        emitEye(b + d * r, up);
    }
    EndPrimitive();
}
