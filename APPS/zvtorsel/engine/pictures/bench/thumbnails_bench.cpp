// The picture list with thumbnails and names over 2,000 pictures (JPEG
// photographs of four sizes, GIF drawings) against the fastest peer
// pipeline on the same files: libjpeg-turbo decoding each JPEG at 1/8 (as
// djpeg -scale 1/8 does) and giflib each GIF, in one process. Both read the
// files from disk (ours into memory first, where the scan runs); ours also
// scales, names and places every thumbnail and writes the page and its
// bitmap. Names are drawn by a stand-in for the
// system font (the host has none), so their cost is the copy into the strip.
//
// Before the timing, the thumbnails' quality: for each distinct JPEG, the
// box a 64-pixel cell gives it, filled by sampling the full decode (as
// before scaled decoding) and by sampling the reduced one, each against the
// box means of the full decode (PSNR).
//
// Photographs come from scikit-image's sample pictures, in their installed
// folder or in ZV_PHOTO_DIR (then any pictures there when it lacks those),
// else from ImageMagick's rose and plasma pictures; drawings are
// ImageMagick's own. Ends with "thumbnails N R": R our time over the peer's.
#include <dirent.h>
#include <gif_lib.h>
#include <math.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>
// jpeglib.h needs FILE and size_t declared first.
#include <jpeglib.h>

#include <algorithm>
#include <string>
#include <vector>

#include "base/tests/disktree.h"
#include "pictures/picturescan.h"
#include "pictures/thumbnails.h"
#include "zvpixel.h"

namespace {

const int kPictures = 2000;

class QuietReport : public IPictureScanReport {
public:
    void Status(const char*) override {}
    void Progress(const char*) override {}
    void Message(UINT id, const char*) override { fprintf(stderr, "message %u\n", id); }
};

// Each character a 5 x 8 pattern of its code's bits, 6 pixels apart.
class PatternCaptions : public ICaptionMaker {
public:
    HZVDIB MakeCaption(int width, int height, const char* text, DibInfo* info) override {
        info->size = DIBINFO_SIZE;
        HZVDIB dib = zvCreateDIBitmap(width, height, 8, info);
        if (!dib) return nullptr;
        zvFillDIBits(info->topRow, width, height, info->rowStep, info->format, 1);
        for (int i = 0; text[i] && 6 * i + 5 <= width; ++i)
            for (int y = 0; y < 8 && y < height; ++y)
                for (int x = 0; x < 5; ++x)
                    if (((BYTE)text[i] >> ((x + y) & 7)) & 1) info->topRow[y * info->rowStep + 6 * i + x] = 0;
        return dib;
    }
};

// Processor time of this process: on a busy machine the wall clock mostly
// measures the other processes, and both sides run here, one thread each.
double Now() {
    timespec t;
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return (double)t.tv_sec + t.tv_nsec / 1e9;
}

bool Run(const std::string& command) {
    return system((command + " >/dev/null 2>&1").c_str()) == 0;
}

bool Exists(const std::string& path) {
    struct stat st;
    return stat(path.c_str(), &st) == 0;
}

// Distinct pictures in `work`: JPEG photographs at four sizes, GIF drawings.
void MakeOriginals(const std::string& work, std::vector<std::string>& jpegs, std::vector<std::string>& gifs) {
    std::vector<std::string> photos;
    const char* given = getenv("ZV_PHOTO_DIR");
    const std::string dir = given ? given : "/usr/lib/python3/dist-packages/skimage/data";
    for (const char* name : {"astronaut.png", "chelsea.png", "coffee.png", "motorcycle_left.png", "rocket.jpg",
                             "hubble_deep_field.jpg", "retina.jpg", "grass.png", "brick.png", "ihc.png"})
        if (Exists(dir + "/" + name)) photos.push_back(dir + "/" + name);
    if (given && photos.empty()) {
        if (DIR* d = opendir(given)) {
            while (dirent* e = readdir(d))
                if (e->d_name[0] != '.') photos.push_back(dir + "/" + e->d_name);
            closedir(d);
        }
        std::sort(photos.begin(), photos.end());
    }
    if (photos.empty()) {
        Run("convert rose: -resize 600x400! " + work + "/rose.png");
        photos.push_back(work + "/rose.png");
        for (int seed = 1; seed <= 5; ++seed) {
            const std::string p = work + "/plasma" + std::to_string(seed) + ".png";
            Run("convert -size 640x480 -seed " + std::to_string(seed) + " plasma:fractal " + p);
            photos.push_back(p);
        }
    }
    printf("photographs: %zu from %s\n", photos.size(), photos.size() > 6 || given ? dir.c_str() : "ImageMagick");
    const int sides[] = {480, 800, 1280, 2048};
    int n = 0;
    for (const std::string& photo : photos)
        for (int side : sides) {
            const std::string out = work + "/j" + std::to_string(n++) + ".jpg";
            // Every fourth one progressive, as on the web.
            Run("convert '" + photo + "' -resize " + std::to_string(side) + "x" + std::to_string(side) +
                "! -resize " + std::to_string(side) + "x" + std::to_string(side * 3 / 4) + "! -quality 85 " +
                (n % 4 == 0 ? "-interlace JPEG " : "") + out);
            if (Exists(out)) jpegs.push_back(out);
        }
    const char* drawings[] = {"wizard:", "logo:", "granite:", "netscape:"};
    // Drawings as JPEG too, for the quality measurement.
    for (const char* drawing : {"wizard:", "logo:"})
        for (int side : {480, 1280}) {
            const std::string out = work + "/j" + std::to_string(n++) + ".jpg";
            Run(std::string("convert ") + drawing + " -resize " + std::to_string(side) + "x" + std::to_string(side) +
                " -quality 90 " + out);
            if (Exists(out)) jpegs.push_back(out);
        }
    n = 0;
    for (const char* drawing : drawings)
        for (int side : {160, 320}) {
            const std::string out = work + "/g" + std::to_string(n++) + ".gif";
            Run(std::string("convert ") + drawing + " -resize " + std::to_string(side) + "x" + std::to_string(side) +
                " -colors 128 " + out);
            if (Exists(out)) gifs.push_back(out);
        }
}

std::vector<BYTE> ReadFile(const std::string& path) {
    std::vector<BYTE> data;
    if (FILE* f = fopen(path.c_str(), "rb")) {
        BYTE buffer[65536];
        size_t n;
        while ((n = fread(buffer, 1, sizeof buffer, f)) > 0) data.insert(data.end(), buffer, buffer + n);
        fclose(f);
    }
    return data;
}

bool WriteFile(const std::string& path, const std::vector<BYTE>& data) {
    FILE* f = fopen(path.c_str(), "wb");
    if (!f) return false;
    const bool ok = fwrite(data.data(), 1, data.size(), f) == data.size();
    return fclose(f) == 0 && ok;
}

// Blue-green-red pixels of w x h.
struct Rgb {
    int w = 0, h = 0;
    std::vector<double> v;
};

Rgb FromDib(const DibInfo& info) {
    Rgb out;
    out.w = (int)info.width;
    out.h = (int)info.height;
    out.v.resize((size_t)out.w * out.h * 3);
    for (int y = 0; y < out.h; ++y)
        for (int x = 0; x < 3 * out.w; ++x) out.v[(size_t)y * 3 * out.w + x] = info.topRow[y * info.rowStep + x];
    return out;
}

// The picture's pixels sampled into w x h as the stretch samples them.
Rgb Sample(const Rgb& src, int w, int h) {
    Rgb out;
    out.w = w;
    out.h = h;
    out.v.resize((size_t)w * h * 3);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const int sx = (int)((long long)x * src.w / w), sy = (int)((long long)y * src.h / h);
            for (int c = 0; c < 3; ++c) out.v[((size_t)y * w + x) * 3 + c] = src.v[((size_t)sy * src.w + sx) * 3 + c];
        }
    return out;
}

// Each output pixel the mean of the source area it covers (fractions weighted).
Rgb BoxMeans(const Rgb& src, int w, int h) {
    Rgb out;
    out.w = w;
    out.h = h;
    out.v.assign((size_t)w * h * 3, 0.0);
    const double sx = (double)src.w / w, sy = (double)src.h / h;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            double sum[3] = {0, 0, 0}, weight = 0;
            for (int py = (int)(y * sy); py < src.h && py < (y + 1) * sy; ++py) {
                const double wy = std::min<double>(py + 1, (y + 1) * sy) - std::max<double>(py, y * sy);
                for (int px = (int)(x * sx); px < src.w && px < (x + 1) * sx; ++px) {
                    const double wx = std::min<double>(px + 1, (x + 1) * sx) - std::max<double>(px, x * sx);
                    for (int c = 0; c < 3; ++c) sum[c] += wx * wy * src.v[((size_t)py * src.w + px) * 3 + c];
                    weight += wx * wy;
                }
            }
            for (int c = 0; c < 3; ++c) out.v[((size_t)y * w + x) * 3 + c] = sum[c] / weight;
        }
    return out;
}

double Psnr(const Rgb& a, const Rgb& b) {
    double sum = 0;
    for (size_t i = 0; i < a.v.size(); ++i) sum += (a.v[i] - b.v[i]) * (a.v[i] - b.v[i]);
    const double mse = sum / (double)a.v.size();
    return mse == 0 ? 99.0 : 10 * log10(255.0 * 255.0 / mse);
}

// PSNR of the thumbnails before and after scaled decoding; false when a new
// one is further from the reference than the old one.
bool MeasureQuality(const std::vector<std::string>& jpegs, int cell) {
    double oldSum = 0, newSum = 0, worstGain = 99;
    int measured = 0;
    for (const std::string& path : jpegs) {
        const std::vector<BYTE> file = ReadFile(path);
        DibInfo full, reduced;
        full.size = reduced.size = DIBINFO_SIZE;
        HZVDIB fullDib = zvConvertJpegToDib(file.data(), (DWORD)file.size(), nullptr, &full);
        if (!fullDib) continue;
        const int scale = ThumbnailReduction((int)full.width, (int)full.height, cell);
        HZVDIB reducedDib = zvConvertJpegToDibScaled(file.data(), (DWORD)file.size(), (DWORD)scale, &reduced);
        int w, h;
        ThumbnailBox((int)full.width, (int)full.height, cell, &w, &h);
        const Rgb whole = FromDib(full);
        const Rgb reference = BoxMeans(whole, w, h);
        const double before = Psnr(Sample(whole, w, h), reference);
        const double after = Psnr(Sample(FromDib(reduced), w, h), reference);
        printf("  %-10s %4u x %-4u 1/%d  %6.2f dB -> %6.2f dB\n", path.substr(path.rfind('/') + 1).c_str(),
               full.width, full.height, scale, before, after);
        oldSum += before;
        newSum += after;
        worstGain = std::min(worstGain, after - before);
        ++measured;
        zvDeleteDIBitmap(reducedDib);
        zvDeleteDIBitmap(fullDib);
    }
    printf("thumbnail PSNR against box means, %d pictures, cell %d: before %.2f dB, after %.2f dB (mean), "
           "smallest gain %+.2f dB\n",
           measured, cell, oldSum / measured, newSum / measured, worstGain);
    return worstGain >= 0;
}

int PeerDecodeJpeg(const char* path) {
    FILE* f = fopen(path, "rb");
    if (!f) return 0;
    jpeg_decompress_struct cinfo;
    jpeg_error_mgr jerr;
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

int PeerDecodeGif(const char* path) {
    int error = 0;
    GifFileType* gif = DGifOpenFileName(path, &error);
    if (!gif) return 0;
    const int ok = DGifSlurp(gif) == GIF_OK;
    DGifCloseFile(gif, &error);
    return ok;
}

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
    const int runs = argc > 1 ? atoi(argv[1]) : 3;
    char pattern[] = "/tmp/zvthumbs.XXXXXX";
    if (!mkdtemp(pattern)) return 1;
    const std::string work = pattern;
    std::vector<std::string> jpegs, gifs;
    MakeOriginals(work, jpegs, gifs);
    if (jpegs.empty() || gifs.empty()) {
        fprintf(stderr, "thumbnails_bench: ImageMagick's convert made no pictures\n");
        return 1;
    }
    const bool better = MeasureQuality(jpegs, 64);

    // Four JPEGs to one GIF, copied to 2,000 files in 20 folders.
    std::vector<std::string> all;
    Run("mkdir -p " + work + "/pics " + work + "/out");
    for (int i = 0; i < kPictures; ++i) {
        const std::string folder = work + "/pics/f" + std::to_string(i % 20);
        if (i < 20) Run("mkdir -p " + folder);
        const bool gif = i % 5 == 4;
        const std::string& from = gif ? gifs[(i / 5) % gifs.size()] : jpegs[(i - i / 5) % jpegs.size()];
        const std::string to = folder + "/p" + std::to_string(i) + (gif ? ".gif" : ".jpg");
        const std::vector<BYTE> data = ReadFile(from);
        WriteFile(to, data);
        all.push_back(to);
    }

    PictureScanJob job;
    job.searchFolder = work + "/pics";
    job.rebuildFolder = work + "/out/";
    job.settings.thumbnail = true;
    job.settings.thumbNaming = true;
    job.settings.scanLimit = 99999;
    job.settings.sizeMaxX = job.settings.sizeMaxY = 65535;
    QuietReport report;
    PatternCaptions captions;
    std::vector<double> ours, peer;
    PictureScanResult result;
    int peerDecoded = 0;
    for (int r = 0; r < runs; ++r) {
        double start = Now();
        CMemoryFiles files;
        LoadDiskTree(job.searchFolder + "/", files);
        files.AddFolder(job.rebuildFolder);
        PictureScanServices services(files, report);
        services.captions = &captions;
        if (!RunPictureScan(job, services, result)) return 1;
        ours.push_back(Now() - start);
        start = Now();
        peerDecoded = 0;
        for (const std::string& path : all)
            peerDecoded += path.back() == 'g' ? PeerDecodeJpeg(path.c_str()) : PeerDecodeGif(path.c_str());
        peer.push_back(Now() - start);
    }
    Run("rm -rf " + work);
    printf("pictures %d, thumbnails %d; peer decoded %d\n", result.pictures, result.thumbnailsMade, peerDecoded);
    printf("processor time, picture list with thumbnails: median %.3f s (%.3f to %.3f) of %d runs\n", Median(ours),
           *std::min_element(ours.begin(), ours.end()), *std::max_element(ours.begin(), ours.end()), runs);
    printf("processor time, libjpeg 1/8 + giflib:         median %.3f s (%.3f to %.3f)\n", Median(peer),
           *std::min_element(peer.begin(), peer.end()), *std::max_element(peer.begin(), peer.end()));
    printf("thumbnails %d %.2f\n", result.pictures, Median(ours) / Median(peer));
    return better ? 0 : 1;
}
