#version 150 compatibility
// Land cover carries its own colours, which no colour scheme changes; alpha is the
// area's rank, 1 for the smallest. A higher rank lies a little higher and nearer the
// eye in depth, so a smaller area wins over a larger one beneath it: up close by
// its height, far off by whole steps of the depth buffer.
vec3 sunlit(vec3 colour, vec3 eyeNormal);

out vec3 shade;

// Metres above the terrain, and steps of a 24-bit depth buffer in clip depth.
const float baseLift = 0.2;
const float rankLift = 0.4;
const float depthStep = 2.0 / 16777216.0;
const float baseSteps = 4.0;
const float rankSteps = 48.0;

void main()
{
    shade = sunlit(gl_Color.rgb, gl_NormalMatrix * gl_Normal);
    float rank = gl_Color.a;
    // The local frame's z is up across the extract.
    vec4 lifted = gl_Vertex + vec4(0.0, 0.0, baseLift + rankLift * rank, 0.0);
    gl_Position = gl_ModelViewProjectionMatrix * lifted;
    gl_Position.z -= (baseSteps + rankSteps * rank) * depthStep * gl_Position.w;
}
