/* The peer of the picture scan bench: every JPEG decoded at 1/8 scale with
   libjpeg (as djpeg -scale 1/8 does) and every GIF with giflib, in one
   process. Usage: peer_decode FILE... ; prints the seconds taken. */
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>
/* jpeglib.h needs FILE declared first. */
#include <gif_lib.h>
#include <jpeglib.h>

static int DecodeJpeg(const char* path) {
    FILE* f = fopen(path, "rb");
    if (!f) return 0;
    struct jpeg_decompress_struct cinfo;
    struct jpeg_error_mgr jerr;
    cinfo.err = jpeg_std_error(&jerr);
    jpeg_create_decompress(&cinfo);
    jpeg_stdio_src(&cinfo, f);
    jpeg_read_header(&cinfo, TRUE);
    cinfo.scale_num = 1;
    cinfo.scale_denom = 8;
    jpeg_start_decompress(&cinfo);
    JSAMPARRAY row = (*cinfo.mem->alloc_sarray)((j_common_ptr)&cinfo, JPOOL_IMAGE,
                                                cinfo.output_width * cinfo.output_components, 1);
    while (cinfo.output_scanline < cinfo.output_height) jpeg_read_scanlines(&cinfo, row, 1);
    jpeg_finish_decompress(&cinfo);
    jpeg_destroy_decompress(&cinfo);
    fclose(f);
    return 1;
}

static int DecodeGif(const char* path) {
    int error = 0;
    GifFileType* gif = DGifOpenFileName(path, &error);
    if (!gif) return 0;
    int ok = DGifSlurp(gif) == GIF_OK;
    DGifCloseFile(gif, &error);
    return ok;
}

int main(int argc, char** argv) {
    struct timespec start, end;
    clock_gettime(CLOCK_MONOTONIC, &start);
    int decoded = 0;
    for (int i = 1; i < argc; ++i) {
        const char* dot = strrchr(argv[i], '.');
        if (dot && strcmp(dot, ".jpg") == 0) decoded += DecodeJpeg(argv[i]);
        if (dot && strcmp(dot, ".gif") == 0) decoded += DecodeGif(argv[i]);
    }
    clock_gettime(CLOCK_MONOTONIC, &end);
    printf("decoded %d %.3f s\n", decoded, (end.tv_sec - start.tv_sec) + (end.tv_nsec - start.tv_nsec) / 1e9);
    return 0;
}
