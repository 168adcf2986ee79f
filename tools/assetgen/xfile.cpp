#include "xfile.h"

#include <cstdio>
#include <numbers>
#include <set>

namespace assetgen {

Mat4 operator*(const Mat4& a, const Mat4& b) {
    Mat4 r;
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j) {
            float s = 0;
            for (int k = 0; k < 4; ++k) s += a(i, k) * b(k, j);
            r(i, j) = s;
        }
    return r;
}

Mat4 Translation(Vec3 t) {
    Mat4 m;
    m(3, 0) = t.x;
    m(3, 1) = t.y;
    m(3, 2) = t.z;
    return m;
}

Mat4 Scaling(Vec3 s) {
    Mat4 m;
    m(0, 0) = s.x;
    m(1, 1) = s.y;
    m(2, 2) = s.z;
    return m;
}

static float Rad(float degrees) { return degrees * std::numbers::pi_v<float> / 180.0f; }

Mat4 RotationX(float degrees) {
    float c = std::cos(Rad(degrees)), s = std::sin(Rad(degrees));
    Mat4 m;
    m(1, 1) = c;
    m(1, 2) = s;
    m(2, 1) = -s;
    m(2, 2) = c;
    return m;
}

Mat4 RotationY(float degrees) {
    float c = std::cos(Rad(degrees)), s = std::sin(Rad(degrees));
    Mat4 m;
    m(0, 0) = c;
    m(0, 2) = -s;
    m(2, 0) = s;
    m(2, 2) = c;
    return m;
}

Mat4 RotationZ(float degrees) {
    float c = std::cos(Rad(degrees)), s = std::sin(Rad(degrees));
    Mat4 m;
    m(0, 0) = c;
    m(0, 1) = s;
    m(1, 0) = -s;
    m(1, 1) = c;
    return m;
}

Vec3 TransformPoint(Vec3 p, const Mat4& m) {
    return {p.x * m(0, 0) + p.y * m(1, 0) + p.z * m(2, 0) + m(3, 0),
            p.x * m(0, 1) + p.y * m(1, 1) + p.z * m(2, 1) + m(3, 1),
            p.x * m(0, 2) + p.y * m(1, 2) + p.z * m(2, 2) + m(3, 2)};
}

Vec3 TransformNormal(Vec3 n, const Mat4& m) {
    return {n.x * m(0, 0) + n.y * m(1, 0) + n.z * m(2, 0), n.x * m(0, 1) + n.y * m(1, 1) + n.z * m(2, 1),
            n.x * m(0, 2) + n.y * m(1, 2) + n.z * m(2, 2)};
}

std::vector<Mat4> RestPose(const std::vector<Bone>& bones) {
    std::vector<Mat4> local;
    local.reserve(bones.size());
    for (const Bone& b : bones) local.push_back(Translation(b.rest));
    return local;
}

std::vector<Mat4> Combine(const std::vector<Bone>& bones, const std::vector<Mat4>& local) {
    std::vector<Mat4> out(bones.size());
    for (size_t i = 0; i < bones.size(); ++i)
        out[i] = bones[i].parent < 0 ? local[i] : local[i] * out[static_cast<size_t>(bones[i].parent)];
    return out;
}

std::vector<Vec3> Skin(const SkinnedModel& model, const std::vector<Mat4>& local) {
    std::vector<Mat4> rest = Combine(model.bones, RestPose(model.bones));
    std::vector<Mat4> posed = Combine(model.bones, local);
    std::vector<Mat4> palette(model.bones.size());
    for (size_t i = 0; i < model.bones.size(); ++i)
        palette[i] = Translation({-rest[i](3, 0), -rest[i](3, 1), -rest[i](3, 2)}) * posed[i];
    std::vector<Vec3> out;
    out.reserve(model.mesh.vertices.size());
    for (const MeshVertex& v : model.mesh.vertices) {
        Vec3 p;
        for (int k = 0; k < 2; ++k)
            if (v.weight[k] > 0)
                p = p + TransformPoint(v.position, palette[static_cast<size_t>(v.bone[k])]) * v.weight[k];
        out.push_back(p);
    }
    return out;
}

std::vector<Mat4> SamplePose(const SkinnedModel& model, size_t set, float phase) {
    std::vector<Mat4> local = RestPose(model.bones);
    model.sets[set].pose(phase, local);
    return local;
}

// ---- writer ----

namespace {

class Text {
public:
    Text& operator<<(const std::string& s) {
        out_ += s;
        return *this;
    }
    Text& operator<<(const char* s) {
        out_ += s;
        return *this;
    }
    Text& operator<<(int v) {
        out_ += std::to_string(v);
        return *this;
    }
    Text& operator<<(size_t v) {
        out_ += std::to_string(v);
        return *this;
    }
    Text& operator<<(float v) {
        char buf[32];
        // Avoid "-0.000000" so equal geometry always prints equal text.
        if (std::fabs(v) < 5e-7f) v = 0.0f;
        std::snprintf(buf, sizeof buf, "%.6f", static_cast<double>(v));
        out_ += buf;
        return *this;
    }
    const std::string& str() const { return out_; }

private:
    std::string out_;
};

void WriteMatrix(Text& t, const Mat4& m) {
    for (int i = 0; i < 16; ++i) t << m.m[static_cast<size_t>(i)] << (i < 15 ? "," : ";;");
}

void WriteFrameMatrix(Text& t, const Mat4& m, const std::string& indent) {
    t << indent << "FrameTransformMatrix {\n" << indent << "  ";
    WriteMatrix(t, m);
    t << "\n" << indent << "}\n";
}

// The vertices some face uses, in their order, and the faces renumbered to
// them: a triangle dropped as degenerate can leave a vertex behind, which
// would count in a reader's bounds without ever being drawn.
Mesh UsedVertices(const Mesh& mesh) {
    std::vector<int> index(mesh.vertices.size(), -1);
    for (const auto& face : mesh.faces)
        for (int k : face) index[static_cast<size_t>(k)] = 0;
    Mesh out;
    out.texture = mesh.texture;
    for (size_t i = 0; i < mesh.vertices.size(); ++i) {
        if (index[i] < 0) continue;
        index[i] = static_cast<int>(out.vertices.size());
        out.vertices.push_back(mesh.vertices[i]);
    }
    for (auto face : mesh.faces) {
        for (int& k : face) k = index[static_cast<size_t>(k)];
        out.faces.push_back(face);
    }
    return out;
}

void WriteMeshBody(Text& t, const Mesh& mesh, const std::string& in) {
    size_t n = mesh.vertices.size(), f = mesh.faces.size();
    t << in << n << ";\n";
    for (size_t i = 0; i < n; ++i) {
        const Vec3& p = mesh.vertices[i].position;
        t << in << p.x << ";" << p.y << ";" << p.z << ";" << (i + 1 < n ? ",\n" : ";\n");
    }
    auto faces = [&](const std::string& ind) {
        t << ind << f << ";\n";
        for (size_t i = 0; i < f; ++i)
            t << ind << "3;" << mesh.faces[i][0] << "," << mesh.faces[i][1] << "," << mesh.faces[i][2] << ";"
              << (i + 1 < f ? ",\n" : ";\n");
    };
    faces(in);
    t << in << "MeshNormals {\n" << in << "  " << n << ";\n";
    for (size_t i = 0; i < n; ++i) {
        const Vec3& p = mesh.vertices[i].normal;
        t << in << "  " << p.x << ";" << p.y << ";" << p.z << ";" << (i + 1 < n ? ",\n" : ";\n");
    }
    faces(in + "  ");
    t << in << "}\n";
    t << in << "MeshTextureCoords {\n" << in << "  " << n << ";\n";
    for (size_t i = 0; i < n; ++i)
        t << in << "  " << mesh.vertices[i].u << ";" << mesh.vertices[i].v << ";" << (i + 1 < n ? ",\n" : ";\n");
    t << in << "}\n";
    t << in << "MeshMaterialList {\n" << in << "  1;\n" << in << "  " << f << ";\n";
    for (size_t i = 0; i < f; ++i) t << in << "  0" << (i + 1 < f ? ",\n" : ";\n");
    t << in << "  Material {\n";
    t << in << "    1.000000;1.000000;1.000000;1.000000;;\n";
    t << in << "    16.000000;\n";
    t << in << "    0.250000;0.250000;0.250000;;\n";
    t << in << "    0.000000;0.000000;0.000000;;\n";
    if (!mesh.texture.empty())
        t << in << "    TextureFilename {\n" << in << "      \"" << mesh.texture << "\";\n" << in << "    }\n";
    t << in << "  }\n" << in << "}\n";
}

}  // namespace

std::string WriteSkinnedX(const SkinnedModel& model) {
    Text t;
    t << "xof 0303txt 0032\n\n";
    t << "AnimTicksPerSecond {\n  " << kAnimTicksPerSecond << ";\n}\n\n";
    const std::vector<Bone>& bones = model.bones;
    std::vector<Mat4> rest = Combine(bones, RestPose(bones));
    const Mesh mesh = UsedVertices(model.mesh);

    // Frames, nested; the mesh sits in the root frame.
    std::function<void(int, const std::string&)> frame = [&](int b, const std::string& in) {
        t << in << "Frame " << bones[static_cast<size_t>(b)].name << " {\n";
        WriteFrameMatrix(t, Translation(bones[static_cast<size_t>(b)].rest), in + "  ");
        if (b == 0) {
            t << in << "  Mesh " << bones[0].name << "_Mesh {\n";
            WriteMeshBody(t, mesh, in + "    ");
            // Skin: one weight list per bone that moves any vertex.
            std::vector<std::vector<std::pair<int, float>>> lists(bones.size());
            int maxPerVertex = 1;
            for (size_t i = 0; i < mesh.vertices.size(); ++i) {
                const MeshVertex& v = mesh.vertices[i];
                int used = 0;
                for (int k = 0; k < 2; ++k)
                    if (v.weight[k] > 0) {
                        lists[static_cast<size_t>(v.bone[k])].push_back({static_cast<int>(i), v.weight[k]});
                        ++used;
                    }
                maxPerVertex = std::max(maxPerVertex, used);
            }
            int skinned = 0, maxPerFace = 1;
            for (auto& l : lists) skinned += !l.empty();
            for (auto& f : mesh.faces) {
                std::set<int> s;
                for (int k : f)
                    for (int j = 0; j < 2; ++j)
                        if (mesh.vertices[static_cast<size_t>(k)].weight[j] > 0)
                            s.insert(mesh.vertices[static_cast<size_t>(k)].bone[j]);
                maxPerFace = std::max(maxPerFace, static_cast<int>(s.size()));
            }
            std::string in2 = in + "    ";
            t << in2 << "XSkinMeshHeader {\n"
              << in2 << "  " << maxPerVertex << ";\n"
              << in2 << "  " << maxPerFace << ";\n"
              << in2 << "  " << skinned << ";\n"
              << in2 << "}\n";
            for (size_t bi = 0; bi < bones.size(); ++bi) {
                const auto& l = lists[bi];
                if (l.empty()) continue;
                t << in2 << "SkinWeights {\n"
                  << in2 << "  \"" << bones[bi].name << "\";\n"
                  << in2 << "  " << l.size() << ";\n";
                for (size_t i = 0; i < l.size(); ++i)
                    t << in2 << "  " << l[i].first << (i + 1 < l.size() ? ",\n" : ";\n");
                for (size_t i = 0; i < l.size(); ++i)
                    t << in2 << "  " << l[i].second << (i + 1 < l.size() ? ",\n" : ";\n");
                t << in2 << "  ";
                WriteMatrix(t, Translation({-rest[bi](3, 0), -rest[bi](3, 1), -rest[bi](3, 2)}));
                t << "\n" << in2 << "}\n";
            }
            t << in << "  }\n";
        }
        for (size_t c = 0; c < bones.size(); ++c)
            if (bones[c].parent == b) frame(static_cast<int>(c), in + "  ");
        t << in << "}\n";
    };
    frame(0, "");
    t << "\n";

    for (const AnimationSet& set : model.sets) {
        t << "AnimationSet " << set.name << " {\n";
        std::vector<std::vector<Mat4>> samples;
        for (int k = 0; k <= set.keys; ++k) {
            std::vector<Mat4> local = RestPose(bones);
            set.pose(static_cast<float>(k) / set.keys, local);
            samples.push_back(local);
        }
        for (size_t b = 0; b < bones.size(); ++b) {
            t << "  Animation {\n    {" << bones[b].name << "}\n    AnimationKey {\n      4;\n      " << (set.keys + 1)
              << ";\n";
            for (int k = 0; k <= set.keys; ++k) {
                long ticks = std::lround(set.period * kAnimTicksPerSecond * k / set.keys);
                t << "      " << static_cast<int>(ticks) << ";16;";
                WriteMatrix(t, samples[static_cast<size_t>(k)][b]);
                t << (k < set.keys ? ",\n" : ";\n");
            }
            t << "    }\n  }\n";
        }
        t << "}\n";
    }
    return t.str();
}

std::string WriteStaticX(const Mesh& mesh, const std::string& frameName) {
    Text t;
    t << "xof 0303txt 0032\n\n";
    t << "Frame " << frameName << " {\n";
    WriteFrameMatrix(t, Mat4{}, "  ");
    t << "  Mesh " << frameName << "_Mesh {\n";
    WriteMeshBody(t, UsedVertices(mesh), "    ");
    t << "  }\n}\n";
    return t.str();
}

// ---- primitive builders ----

WeightFunction RigidTo(int bone) {
    return [bone](Vec3, MeshVertex& v) {
        v.bone = {bone, bone};
        v.weight = {1, 0};
    };
}

namespace {

// Adds a triangle, turned so that its clockwise front faces along the vertices' normals.
void AddTriangle(Mesh& mesh, int a, int b, int c) {
    const auto& V = mesh.vertices;
    Vec3 pa = V[static_cast<size_t>(a)].position, pb = V[static_cast<size_t>(b)].position,
         pc = V[static_cast<size_t>(c)].position;
    Vec3 n = Cross(pb - pa, pc - pa);
    if (Length(n) < 1e-9f) return;
    Vec3 ref = V[static_cast<size_t>(a)].normal + V[static_cast<size_t>(b)].normal + V[static_cast<size_t>(c)].normal;
    if (Dot(n, ref) >= 0)
        mesh.faces.push_back({a, b, c});
    else
        mesh.faces.push_back({a, c, b});
}

int AddVertex(Mesh& mesh, Vec3 p, Vec3 n, float u, float v, const WeightFunction& weights) {
    MeshVertex mv;
    mv.position = p;
    mv.normal = Normalize(n);
    mv.u = u;
    mv.v = v;
    weights(p, mv);
    mesh.vertices.push_back(mv);
    return static_cast<int>(mesh.vertices.size()) - 1;
}

void GridFaces(Mesh& mesh, int base, int rows, int cols) {
    for (int i = 0; i < rows; ++i)
        for (int j = 0; j < cols; ++j) {
            int a = base + i * (cols + 1) + j, b = a + 1, c = a + cols + 1, d = c + 1;
            AddTriangle(mesh, a, b, c);
            AddTriangle(mesh, b, d, c);
        }
}

}  // namespace

void AddEllipsoid(Mesh& mesh, Vec3 centre, Vec3 radii, const Mat4& orient, int rings, int segments, UvRect uv,
                  const WeightFunction& weights) {
    int base = static_cast<int>(mesh.vertices.size());
    const float pi = std::numbers::pi_v<float>;
    for (int i = 0; i <= rings; ++i) {
        float th = pi * i / rings;
        for (int j = 0; j <= segments; ++j) {
            float ph = 2 * pi * j / segments;
            Vec3 l{radii.x * std::sin(th) * std::cos(ph), radii.y * std::cos(th),
                   radii.z * std::sin(th) * std::sin(ph)};
            Vec3 n{l.x / (radii.x * radii.x), l.y / (radii.y * radii.y), l.z / (radii.z * radii.z)};
            AddVertex(mesh, TransformPoint(l, orient) + centre, TransformNormal(n, orient),
                      uv.u0 + (uv.u1 - uv.u0) * j / segments, uv.v0 + (uv.v1 - uv.v0) * i / rings, weights);
        }
    }
    GridFaces(mesh, base, rings, segments);
}

void AddTube(Mesh& mesh, const std::vector<TubeRing>& rings, int segments, UvRect uv) {
    const float pi = std::numbers::pi_v<float>;
    int base = static_cast<int>(mesh.vertices.size());
    size_t n = rings.size();
    std::vector<Vec3> dirs(n), sides(n), ups(n);
    for (size_t i = 0; i < n; ++i) {
        Vec3 d = rings[std::min(i + 1, n - 1)].centre - rings[i > 0 ? i - 1 : 0].centre;
        dirs[i] = Normalize(d);
        Vec3 ref = std::fabs(dirs[i].y) > 0.9f ? Vec3{0, 0, 1} : Vec3{0, 1, 0};
        sides[i] = Normalize(Cross(ref, dirs[i]));
        ups[i] = Cross(dirs[i], sides[i]);
    }
    for (size_t i = 0; i < n; ++i) {
        const TubeRing& r = rings[i];
        WeightFunction w = [&r](Vec3, MeshVertex& v) {
            v.bone = r.bone;
            v.weight = r.weight;
        };
        for (int j = 0; j <= segments; ++j) {
            float ph = 2 * pi * j / segments;
            Vec3 p = r.centre + sides[i] * (r.rx * std::cos(ph)) + ups[i] * (r.ry * std::sin(ph));
            Vec3 nn = sides[i] * (std::cos(ph) / r.rx) + ups[i] * (std::sin(ph) / r.ry);
            AddVertex(mesh, p, nn, uv.u0 + (uv.u1 - uv.u0) * j / segments, uv.v0 + (uv.v1 - uv.v0) * i / (n - 1), w);
        }
    }
    GridFaces(mesh, base, static_cast<int>(n) - 1, segments);
    // Caps.
    for (int end = 0; end < 2; ++end) {
        size_t i = end == 0 ? 0 : n - 1;
        const TubeRing& r = rings[i];
        if (r.rx < 1e-4f) continue;
        WeightFunction w = [&r](Vec3, MeshVertex& v) {
            v.bone = r.bone;
            v.weight = r.weight;
        };
        Vec3 normal = dirs[i] * (end == 0 ? -1.0f : 1.0f);
        int c = AddVertex(mesh, r.centre, normal, (uv.u0 + uv.u1) / 2, end == 0 ? uv.v0 : uv.v1, w);
        int first = static_cast<int>(mesh.vertices.size());
        for (int j = 0; j <= segments; ++j) {
            const MeshVertex& src = mesh.vertices[static_cast<size_t>(base) + i * (segments + 1) + j];
            AddVertex(mesh, src.position, normal, src.u, src.v, w);
        }
        for (int j = 0; j < segments; ++j) AddTriangle(mesh, c, first + j, first + j + 1);
    }
}

void AddBox(Mesh& mesh, Vec3 centre, Vec3 half, const Mat4& orient, UvRect uv, const WeightFunction& weights) {
    const Vec3 axes[3] = {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}};
    for (int a = 0; a < 3; ++a)
        for (int s = -1; s <= 1; s += 2) {
            Vec3 n = axes[a] * static_cast<float>(s);
            Vec3 u = axes[(a + 1) % 3], v = axes[(a + 2) % 3];
            int base = static_cast<int>(mesh.vertices.size());
            for (int k = 0; k < 4; ++k) {
                float su = (k & 1) ? 1.0f : -1.0f, sv = (k & 2) ? 1.0f : -1.0f;
                Vec3 l{n.x * half.x + u.x * su * half.x + v.x * sv * half.x,
                       n.y * half.y + u.y * su * half.y + v.y * sv * half.y,
                       n.z * half.z + u.z * su * half.z + v.z * sv * half.z};
                AddVertex(mesh, TransformPoint(l, orient) + centre, TransformNormal(n, orient), (k & 1) ? uv.u1 : uv.u0,
                          (k & 2) ? uv.v1 : uv.v0, weights);
            }
            AddTriangle(mesh, base, base + 1, base + 2);
            AddTriangle(mesh, base + 1, base + 3, base + 2);
        }
}

void AddSheet(Mesh& mesh, const std::vector<Vec3>& outline, float thickness, UvRect uv, const WeightFunction& weights,
              int radialSteps) {
    Vec3 normal;
    for (size_t i = 1; i + 1 < outline.size(); ++i)
        normal = normal + Cross(outline[i] - outline[0], outline[i + 1] - outline[0]);
    normal = Normalize(normal);
    Vec3 ax = Normalize(outline[1] - outline[0]);
    Vec3 ay = Cross(normal, ax);
    float minX = 1e9f, maxX = -1e9f, minY = 1e9f, maxY = -1e9f;
    for (Vec3 p : outline) {
        float x = Dot(p - outline[0], ax), y = Dot(p - outline[0], ay);
        minX = std::min(minX, x);
        maxX = std::max(maxX, x);
        minY = std::min(minY, y);
        maxY = std::max(maxY, y);
    }
    // Rays from the first point to each outline point, cut into radialSteps pieces.
    int rays = static_cast<int>(outline.size()) - 1;
    for (int side = 0; side < 2; ++side) {
        Vec3 n = normal * (side == 0 ? 1.0f : -1.0f);
        auto vertex = [&](Vec3 p) {
            float x = (Dot(p - outline[0], ax) - minX) / (maxX - minX),
                  y = (Dot(p - outline[0], ay) - minY) / (maxY - minY);
            return AddVertex(mesh, p + n * (thickness / 2), n, uv.u0 + (uv.u1 - uv.u0) * x, uv.v0 + (uv.v1 - uv.v0) * y,
                             weights);
        };
        int centre = vertex(outline[0]);
        int base = static_cast<int>(mesh.vertices.size());
        for (int r = 0; r < rays; ++r)
            for (int s = 1; s <= radialSteps; ++s)
                vertex(outline[0] +
                       (outline[static_cast<size_t>(r) + 1] - outline[0]) * (static_cast<float>(s) / radialSteps));
        auto at = [&](int r, int s) { return s == 0 ? centre : base + r * radialSteps + (s - 1); };
        for (int r = 0; r + 1 < rays; ++r)
            for (int s = 0; s < radialSteps; ++s) {
                if (s == 0) {
                    AddTriangle(mesh, centre, at(r, 1), at(r + 1, 1));
                    continue;
                }
                AddTriangle(mesh, at(r, s), at(r, s + 1), at(r + 1, s));
                AddTriangle(mesh, at(r, s + 1), at(r + 1, s + 1), at(r + 1, s));
            }
    }
}

}  // namespace assetgen
