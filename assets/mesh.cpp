#include "assets/mesh.h"

#include <cstdarg>
#include <cstdio>
#include <cstdlib>

#include "assets/asset_file.h"
#include "assets/bitmap_text.h"
#include "assets/load_report.h"
#include "assets/text_scanner.h"
#include "platform/display.h"

namespace {

constexpr size_t kReasonLength = 200;
constexpr uint32_t kMaxCount = 0x7FFFFFFF;    // counts are kept in signed 32 bits
constexpr uint64_t kVertexRecordTokens = 6;   // running number, x, y, z, u, v
constexpr uint64_t kTriangleRecordTokens = 4; // running number, a, b, c
// A token takes at least one character and one separator (the file's last one may lack it).
constexpr uint64_t kMinBytesPerToken = 2;

void EmptyMesh(Mesh* mesh) {
    *mesh = Mesh{};
    mesh->textureSlot = -1;
}

// The two fixed messages. A static mesh also writes its message with the text writer and
// presents the frame; an animated one only uses the console.
void ReportMeshFailure(const char* message, const char* name, const char* reason, bool animated) {
    ReportLoadFailure(message, name, reason);
    if (!animated) {
        WriteText(message);
        PresentFrame();
    }
}

// A malformed file: one stderr line that says where the reading stopped and why.
void ReportBadMesh(const char* name, const TextScanner* scanner, const char* format, ...) {
    char what[kReasonLength];
    char reason[kReasonLength + 32]; // room for the line number in front
    va_list args;
    va_start(args, format);
    vsnprintf(what, sizeof what, format, args);
    va_end(args);
    snprintf(reason, sizeof reason, "line %d: %s", static_cast<int>(ScannerLine(scanner)), what);
    ReportLoadProblem(name, reason);
}

bool ScanVertexRecord(TextScanner* scanner, MeshVertex* vertex, const char** field) {
    uint32_t runningNumber;
    if (!ScanUnsigned(scanner, &runningNumber)) {
        *field = "running number";
        return false;
    }
    float* targets[] = {&vertex->position.x, &vertex->position.y, &vertex->position.z,
                        &vertex->texCoord[0], &vertex->texCoord[1]};
    const char* names[] = {"x", "y", "z", "u", "v"};
    for (int k = 0; k < 5; ++k) {
        if (!ScanFloat(scanner, targets[k])) {
            *field = names[k];
            return false;
        }
    }
    return true;
}

// Parses a whole mesh file held in memory into mesh (already empty). Nothing is stored in the
// mesh unless the whole file is sound.
void ParseMesh(const char* name, const char* text, size_t size, bool animated, Mesh* mesh) {
    TextScanner scanner;
    StartTextScanner(&scanner, text, size);
    if (!ScanWord(&scanner)) return ReportBadMesh(name, &scanner, "no tag word: the file is empty");

    uint32_t counts[3] = {0, 0, 1}; // vertices per frame, triangles, frames
    const char* countNames[3] = {"vertex count", "triangle count", "frame count"};
    for (int c = 0; c < (animated ? 3 : 2); ++c) {
        if (!ScanUnsigned(&scanner, &counts[c]))
            return ReportBadMesh(name, &scanner, "the %s is missing or not an unsigned number",
                                 countNames[c]);
        if (counts[c] > kMaxCount)
            return ReportBadMesh(name, &scanner, "the %s %u is above %u", countNames[c], counts[c],
                                 kMaxCount);
    }
    for (int k = 1; k <= 3; ++k) {
        float ignored;
        if (!ScanFloat(&scanner, &ignored))
            return ReportBadMesh(name, &scanner, "header number %d of 3 is missing or not a number",
                                 k);
    }
    const uint32_t vertexCount = counts[0], triangleCount = counts[1], frameCount = counts[2];
    if (frameCount == 0) return ReportBadMesh(name, &scanner, "the frame count is 0");

    // The counts are weighed against the bytes that follow before anything is allocated.
    const uint64_t maxTokens = (ScannerBytesLeft(&scanner) + 1) / kMinBytesPerToken;
    const uint64_t vertexRecords = uint64_t{vertexCount} * frameCount;
    if (vertexRecords > maxTokens / kVertexRecordTokens ||
        triangleCount > maxTokens / kTriangleRecordTokens ||
        vertexRecords * kVertexRecordTokens + triangleCount * kTriangleRecordTokens > maxTokens)
        return ReportBadMesh(name, &scanner,
                             "%u vertices x %u frames and %u triangles cannot fit in the %zu "
                             "bytes that follow",
                             vertexCount, frameCount, triangleCount, ScannerBytesLeft(&scanner));
    const uint64_t entries = animated ? vertexRecords + vertexCount : vertexRecords;
    if (entries > kMaxCount)
        return ReportBadMesh(name, &scanner, "%llu vertex entries are too many",
                             static_cast<unsigned long long>(entries));

    // Zeroed, so normals and the blend frame read as 0 until they are computed.
    MeshVertex* vertices =
        entries ? static_cast<MeshVertex*>(calloc(entries, sizeof(MeshVertex))) : nullptr;
    MeshTriangle* triangles =
        triangleCount ? static_cast<MeshTriangle*>(calloc(triangleCount, sizeof(MeshTriangle)))
                      : nullptr;
    if ((entries && !vertices) || (triangleCount && !triangles)) {
        free(vertices);
        free(triangles);
        char why[kReasonLength];
        snprintf(why, sizeof why, "cannot allocate %llu vertices and %u triangles",
                 static_cast<unsigned long long>(entries), triangleCount);
        return ReportMeshFailure(kNotEnoughMemoryMessage, name, why, animated);
    }

    bool sound = true;
    for (uint64_t r = 0; r < vertexRecords && sound; ++r) {
        const char* field = "";
        if (!ScanVertexRecord(&scanner, &vertices[r], &field)) {
            ReportBadMesh(name, &scanner, "vertex record %llu of %llu: %s is missing or unreadable",
                          static_cast<unsigned long long>(r + 1),
                          static_cast<unsigned long long>(vertexRecords), field);
            sound = false;
        }
    }
    for (uint32_t t = 0; t < triangleCount && sound; ++t) {
        uint32_t record[4];
        const TextScanner recordStart = scanner; // a bad index is reported at its record
        for (int k = 0; k < 4 && sound; ++k) {
            if (!ScanUnsigned(&scanner, &record[k])) {
                ReportBadMesh(name, &scanner,
                              "triangle record %u of %u: field %d is missing or not an unsigned "
                              "number",
                              t + 1, triangleCount, k + 1);
                sound = false;
            }
        }
        for (int k = 1; k < 4 && sound; ++k) {
            if (record[k] >= vertexCount) {
                ReportBadMesh(name, &recordStart,
                              "triangle record %u of %u: vertex %u is not below the vertex "
                              "count %u",
                              t + 1, triangleCount, record[k], vertexCount);
                sound = false;
            }
        }
        // The file's a, b, c is stored as a, c, b: the winding flips on load.
        if (sound) triangles[t] = MeshTriangle{{record[1], record[3], record[2]}};
    }
    if (!sound) {
        free(vertices);
        free(triangles);
        return;
    }
    mesh->vertexCount = static_cast<int32_t>(vertexCount);
    mesh->triangleCount = static_cast<int32_t>(triangleCount);
    mesh->frameCount = static_cast<int32_t>(frameCount);
    mesh->vertices = vertices;
    mesh->triangles = triangles;
    mesh->vertexEntries = static_cast<int32_t>(entries);
}

// The whole file is read in one go and parsed from memory.
void LoadMesh(const char* name, Mesh* mesh, bool animated) {
    EmptyMesh(mesh);
    uint64_t size = 0;
    const char* reason = "";
    FILE* file = OpenAssetFile(name, &size, &reason);
    if (!file) return ReportMeshFailure(kFileNotFoundMessage, name, reason, animated);
    char* text = size < SIZE_MAX ? static_cast<char*>(malloc(size ? size : 1)) : nullptr;
    if (!text) {
        fclose(file);
        char why[kReasonLength];
        snprintf(why, sizeof why, "cannot allocate %llu bytes to read it",
                 static_cast<unsigned long long>(size));
        return ReportMeshFailure(kNotEnoughMemoryMessage, name, why, animated);
    }
    size_t got = fread(text, 1, size, file);
    fclose(file);
    if (got != size)
        ReportLoadProblem(name, "reading the file failed part way");
    else
        ParseMesh(name, text, got, animated, mesh);
    free(text);
}

} // namespace

void LoadStaticMesh(const char* name, Mesh* mesh) {
    LoadMesh(name, mesh, false);
}
void LoadAnimatedMesh(const char* name, Mesh* mesh) {
    LoadMesh(name, mesh, true);
}

void SetMeshTexture(Mesh* mesh, int32_t slot) {
    mesh->textureSlot = slot;
}

void FreeMesh(Mesh* mesh) {
    free(mesh->vertices);
    free(mesh->triangles);
    mesh->vertices = nullptr;
    mesh->triangles = nullptr;
    mesh->vertexCount = 0;
    mesh->triangleCount = 0;
    mesh->vertexEntries = 0;
    mesh->textureSlot = -1;
}

bool MeshHasBlendFrame(const Mesh* mesh) {
    if (mesh->frameCount < 1 || mesh->vertexCount < 0) return false;
    if (mesh->vertexEntries > 0 && !mesh->vertices) return false;
    return int64_t{mesh->frameCount + int64_t{1}} * mesh->vertexCount <= mesh->vertexEntries;
}
