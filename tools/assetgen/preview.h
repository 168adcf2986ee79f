// Software rendering for the contact sheets: a z-buffered, textured, lit
// rasteriser for posed meshes, and sheet layout helpers.
#pragma once
#include <string>
#include <vector>

#include "image.h"
#include "xfile.h"

namespace assetgen {

struct View {
    float yaw = 0, pitch = 0;  // degrees; yaw turns the model about y before pitch tilts it
    Vec3 centre;               // model point at the image centre
    float pixelsPerUnit = 10;
};

// Draws the mesh with the given (posed) vertex positions into img, culling
// back faces the way the game's renderer does (clockwise is the front).
void RenderMesh(Image& img, const Mesh& mesh, const std::vector<Vec3>& positions, const Image& texture,
                const View& view);

// Sheet with a caption under every cell.
class ContactSheet {
public:
    ContactSheet(int columns, int cellW, int cellH);
    Image& NewCell(const std::string& caption);
    Image Compose() const;

private:
    int columns_, cellW_, cellH_;
    std::vector<Image> cells_;
    std::vector<std::string> captions_;
};

}  // namespace assetgen
