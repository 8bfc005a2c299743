// The PNG reader the preview tests use to read back what the tool wrote.
#define STB_IMAGE_IMPLEMENTATION
#define STBI_ONLY_PNG
#include <stb/stb_image.h>
