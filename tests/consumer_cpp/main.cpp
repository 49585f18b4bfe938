// Builds an image with the installed core, then reads it back decoded.
#include <imgforge.h>

#include <cstdio>

int main()
{
    try {
        imgforge::image img;
        imgforge::put(img, 0x01, std::vector<uint8_t>{0xA1, 0xB2, 0xC3, 0xD4, 0xE5, 0xF6});
        imgforge::image copy;
        imgforge::load_bytes(copy, imgforge::image_bytes(img, false), "image");
        for (const imgforge::record &r : imgforge::records(copy))
            std::printf("%02x %s\n", r.tag, imgforge::decoded_text(copy, r).value_or("?").c_str());
        imgforge::erase(copy, 0x02);
    } catch (const imgforge::error &e) {
        std::printf("%d %s", e.status, e.text.c_str());
    }
    return 0;
}
