// The single translation unit that instantiates the stb header libraries.
#define STB_IMAGE_WRITE_IMPLEMENTATION
#define STB_TRUETYPE_IMPLEMENTATION
#include <stb_image_write.h>
#include <stb_truetype.h>
