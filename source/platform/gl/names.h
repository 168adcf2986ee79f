// GL object names as they appear in the layer's public headers, without GL's
// own header: code above the layer sees the handles but cannot call GL.
#pragma once

using GLuint = unsigned int;
