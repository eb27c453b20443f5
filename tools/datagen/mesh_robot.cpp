// The walking robot: feet at y = 0, up +y, facing +z, about 200 units tall before the show
// scales it by 1.5. 32 frames make one walk cycle; the foot on the ground slides back at the
// speed of the road rolling under it, so the robots walk in place on their road.
#include <cmath>
#include "tools/datagen/datagen.h"

namespace {

constexpr float kPi = 3.14159265f;
constexpr int kWalkFrames = 32;
constexpr int kLimbSides = 8;

// Ground covered in one cycle, in the robot's own units: the roads roll 5 degrees per second
// of beat-locked time at about 1925 units from their axis, one cycle per 1666 ms bar, and the
// show scales the robot by 1.5.
constexpr float kStride = 1925.0f * (5.0f * kPi / 180.0f) * 1.666f / 1.5f;
constexpr float kStanceReach = kStride / 4; // half a stance: the stance lasts half a cycle
constexpr float kHipHeight = 84.0f, kHipBob = 3.0f, kHipSide = 12.0f;
constexpr float kThigh = 48.0f, kShin = 46.0f, kAnkleHeight = 9.0f, kFootLift = 18.0f;
constexpr float kShoulderSide = 28.0f, kUpperArm = 34.0f, kForearm = 30.0f;

// Regions of the robot picture.
struct UvRect {
    float u0, v0, u1, v1;
};
constexpr UvRect kPlates = {0.0f, 0.0f, 0.5f, 0.5f};
constexpr UvRect kLimbs = {0.5f, 0.0f, 1.0f, 0.5f};
constexpr UvRect kFace = {0.0f, 0.5f, 0.5f, 1.0f};
constexpr UvRect kAccent = {0.5f, 0.5f, 1.0f, 1.0f};

// A box of half extents h in the frame, each face showing the whole region. The face towards
// +z of the frame may show a different region (the robot's face, its chest plate).
void AddBox(GenMesh* mesh, const Frame3& f, V3 h, UvRect uv, UvRect front) {
    const V3 axes[3] = {f.ax, f.ay, f.az};
    const float half[3] = {h.x, h.y, h.z};
    for (int axis = 0; axis < 3; ++axis)
        for (float sign : {-1.0f, 1.0f}) {
            V3 n = axes[axis] * sign, a = axes[(axis + 1) % 3], b = axes[(axis + 2) % 3];
            float ha = half[(axis + 1) % 3], hb = half[(axis + 2) % 3];
            V3 c = f.origin + n * half[axis];
            // Keep the picture upright on the side faces: b runs up where it is the frame's y.
            if (axis == 0) {
                V3 t = a;
                a = b;
                b = t;
                float th = ha;
                ha = hb;
                hb = th;
            }
            const V3 p[4] = {c - a * ha - b * hb, c + a * ha - b * hb, c + a * ha + b * hb,
                             c - a * ha + b * hb};
            UvRect r = (axis == 2 && sign > 0) ? front : uv;
            const float coords[8] = {r.u0, r.v1, r.u1, r.v1, r.u1, r.v0, r.u0, r.v0};
            AddQuadFacing(mesh, p, coords, n);
        }
}

// A round limb from a to b, radius ra at a and rb at b, closed at both ends. Ring vertices are
// shared around so that the computed normals come out smooth, as chrome needs.
void AddLimb(GenMesh* mesh, V3 a, V3 b, float ra, float rb) {
    V3 axis = Normalized(b - a);
    V3 helper = std::fabs(axis.x) < 0.9f ? V3{1, 0, 0} : V3{0, 1, 0};
    V3 s = Normalized(Cross(axis, helper)), t = Cross(axis, s);
    uint32_t ringA = static_cast<uint32_t>(mesh->vertices.size());
    for (int end = 0; end < 2; ++end)
        for (int i = 0; i < kLimbSides; ++i) {
            float angle = i * 2 * kPi / kLimbSides;
            V3 radial = s * std::cos(angle) + t * std::sin(angle);
            V3 p = (end ? b : a) + radial * (end ? rb : ra);
            float u = kLimbs.u0 + (kLimbs.u1 - kLimbs.u0) * i / kLimbSides;
            AddVertex(mesh, p, u, end ? kLimbs.v0 : kLimbs.v1);
        }
    uint32_t ringB = ringA + kLimbSides;
    for (int i = 0; i < kLimbSides; ++i) {
        uint32_t j = (i + 1) % kLimbSides;
        V3 out = mesh->vertices[ringA + i].p - a;
        V3 n = Cross(mesh->vertices[ringB + i].p - mesh->vertices[ringA + i].p,
                     mesh->vertices[ringB + j].p - mesh->vertices[ringA + i].p);
        if (Dot(n, out) >= 0) {
            AddTriangle(mesh, ringA + i, ringB + i, ringB + j);
            AddTriangle(mesh, ringA + i, ringB + j, ringA + j);
        } else {
            AddTriangle(mesh, ringA + i, ringB + j, ringB + i);
            AddTriangle(mesh, ringA + i, ringA + j, ringB + j);
        }
    }
    for (int end = 0; end < 2; ++end) { // caps as fans
        uint32_t ring = end ? ringB : ringA;
        V3 outward = end ? axis : axis * -1.0f;
        for (int i = 1; i + 1 < kLimbSides; ++i) {
            V3 n = Cross(mesh->vertices[ring + i].p - mesh->vertices[ring].p,
                         mesh->vertices[ring + i + 1].p - mesh->vertices[ring].p);
            if (Dot(n, outward) >= 0)
                AddTriangle(mesh, ring, ring + i, ring + i + 1);
            else
                AddTriangle(mesh, ring, ring + i + 1, ring + i);
        }
    }
}

// Where the ankle is at a phase of the cycle (0 = this foot just set down in front).
V3 AnklePosition(float phase, float side) {
    phase -= std::floor(phase);
    if (phase < 0.5f) // stance: slides back with the ground
        return {side, kAnkleHeight, kStanceReach - 4 * kStanceReach * phase};
    float q = (phase - 0.5f) * 2; // swing: lifts and comes forward smoothly
    return {side, kAnkleHeight + kFootLift * std::sin(kPi * q),
            -kStanceReach + 2 * kStanceReach * (0.5f - 0.5f * std::cos(kPi * q))};
}

// Two-bone leg: the knee bends forward (+z) in the leg's y-z plane.
V3 KneePosition(V3 hip, V3 ankle) {
    V3 d = ankle - hip;
    float dist = std::sqrt(Dot(d, d));
    float reach = kThigh + kShin - 0.01f;
    if (dist > reach) dist = reach;
    V3 w = Normalized(d);
    V3 forward = {0, w.z, -w.y}; // w turned a quarter towards +z
    if (forward.z < 0) forward = forward * -1.0f;
    float cosA = (kThigh * kThigh + dist * dist - kShin * kShin) / (2 * kThigh * dist);
    cosA = std::fmax(-1.0f, std::fmin(1.0f, cosA));
    float sinA = std::sqrt(1 - cosA * cosA);
    return hip + w * (kThigh * cosA) + forward * (kThigh * sinA);
}

void AddLeg(GenMesh* mesh, float phase, float side, float hipY) {
    V3 hip = {side, hipY, 0};
    V3 ankle = AnklePosition(phase, side);
    V3 knee = KneePosition(hip, ankle);
    AddLimb(mesh, hip, knee, 8.0f, 6.5f);
    AddLimb(mesh, knee, ankle, 6.5f, 5.0f);
    Frame3 foot = MoveTo({ankle.x, ankle.y - kAnkleHeight * 0.5f, ankle.z + 5.0f});
    AddBox(mesh, foot, {7.5f, kAnkleHeight * 0.5f, 15.0f}, kLimbs, kAccent);
}

void AddArm(GenMesh* mesh, const Frame3& torso, float side, float swing) {
    Frame3 shoulder = ChainFrames(torso, ChainFrames(MoveTo({side, 26, 0}), TurnX(swing)));
    V3 s = shoulder.origin;
    Frame3 elbowFrame = ChainFrames(
        shoulder, ChainFrames(MoveTo({0, -kUpperArm, 0}), TurnX(-0.45f + 0.25f * swing)));
    V3 e = elbowFrame.origin;
    V3 w = ApplyFrame(elbowFrame, {0, -kForearm, 0});
    AddLimb(mesh, s, e, 6.5f, 5.5f);
    AddLimb(mesh, e, w, 5.5f, 4.5f);
    Frame3 hand = ChainFrames(elbowFrame, MoveTo({0, -kForearm - 5, 0}));
    AddBox(mesh, hand, {4.5f, 6, 5}, kLimbs, kLimbs);
}

GenMesh RobotFrame(float phase) {
    GenMesh mesh;
    float hipY = kHipHeight + kHipBob * (0.5f - 0.5f * std::cos(4 * kPi * phase));
    AddLeg(&mesh, phase, kHipSide, hipY);         // left foot sets down at phase 0
    AddLeg(&mesh, phase + 0.5f, -kHipSide, hipY); // right foot half a cycle later
    AddBox(&mesh, MoveTo({0, hipY + 2, 0}), {20, 7, 11}, kPlates, kPlates);
    float twist = 0.08f * std::sin(2 * kPi * phase);
    Frame3 torso = ChainFrames(MoveTo({0, hipY + 40, 0}), ChainFrames(TurnY(twist), TurnX(0.06f)));
    AddBox(&mesh, torso, {22, 31, 13}, kPlates, kPlates);
    AddBox(&mesh, ChainFrames(torso, MoveTo({0, 6, 13.5f})), {13, 11, 1.5f}, kAccent, kAccent);
    float swing = 0.5f * std::cos(2 * kPi * phase); // arms against the legs
    AddArm(&mesh, torso, kShoulderSide, swing);
    AddArm(&mesh, torso, -kShoulderSide, -swing);
    Frame3 neck = ChainFrames(torso, ChainFrames(MoveTo({0, 31, 0}), TurnY(-0.6f * twist)));
    AddLimb(&mesh, neck.origin, ApplyFrame(neck, {0, 9, 0}), 6, 6);
    Frame3 head = ChainFrames(neck, MoveTo({0, 23, 0}));
    AddBox(&mesh, head, {17, 14, 15}, kPlates, kFace);
    V3 antennaBase = ApplyFrame(head, {8, 14, -4}), antennaTip = ApplyFrame(head, {10, 30, -6});
    AddLimb(&mesh, antennaBase, antennaTip, 1.8f, 1.2f);
    AddBox(&mesh, MoveTo(antennaTip), {2.5f, 2.5f, 2.5f}, kAccent, kAccent);
    return mesh;
}

} // namespace

GenMesh MakeRobotMesh() {
    GenMesh mesh = RobotFrame(0);
    for (int f = 1; f < kWalkFrames; ++f)
        AppendFrames(&mesh, RobotFrame(static_cast<float>(f) / kWalkFrames));
    return mesh;
}
