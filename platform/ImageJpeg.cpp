// JPEG reader (libjpeg-turbo) with the library's default decompression (ISLOW DCT, fancy
// upsampling). Colour images are decoded to RGB and averaged, gray ones are taken as they are.
// A file that ends early is an error here, not a silently gray-padded picture.
#include <cstddef>
#include <cstdio>
// jpeglib.h needs size_t and FILE declared first.
#include <jerror.h>
#include <jpeglib.h>

#include <algorithm>
#include <csetjmp>
#include <cstring>

#include "platform/ImageReaders.h"

namespace imagefile {
namespace {

// Progressive files with more scans than this are refused: a crafted file can otherwise keep
// the decoder busy for minutes with thousands of tiny scans.
constexpr int MaxScans = 1000;

// Plain data only: the frames that call setjmp hold nothing with a destructor.
struct TJpegJob {
    jpeg_decompress_struct Info;
    jpeg_error_mgr Err;
    jpeg_progress_mgr Progress;
    std::jmp_buf Jump;
    bool Truncated = false;
    int Code = 0;  // libjpeg's message code of the error
    char Message[JMSG_LENGTH_MAX] = {};
};

TJpegJob* JobOf(j_common_ptr info) {
    return reinterpret_cast<TJpegJob*>(reinterpret_cast<char*>(info->err) - offsetof(TJpegJob, Err));
}

void JpegErrorExit(j_common_ptr info) {
    TJpegJob* job = JobOf(info);
    job->Code = info->err->msg_code;
    (*info->err->format_message)(info, job->Message);
    std::longjmp(job->Jump, 1);
}

// Warnings are dropped, except the one for a file that ends before its image data does.
void JpegEmitMessage(j_common_ptr info, int level) {
    if (level == -1 && info->err->msg_code == JWRN_JPEG_EOF) {
        TJpegJob* job = JobOf(info);
        job->Truncated = true;
        std::longjmp(job->Jump, 1);
    }
}

void JpegProgress(j_common_ptr info) {
    if (!info->is_decompressor) return;
    auto* d = reinterpret_cast<j_decompress_ptr>(info);
    if (d->input_scan_number > MaxScans) {
        TJpegJob* job = JobOf(info);
        std::snprintf(job->Message, sizeof job->Message, "more than %d scans", MaxScans);
        std::longjmp(job->Jump, 1);
    }
}

bool JpegReadHeader(TJpegJob* job, std::FILE* file) {
    if (setjmp(job->Jump)) return false;
    jpeg_create_decompress(&job->Info);
    jpeg_stdio_src(&job->Info, file);
    job->Info.progress = &job->Progress;
    jpeg_read_header(&job->Info, TRUE);
    return true;
}

bool JpegStart(TJpegJob* job) {
    if (setjmp(job->Jump)) return false;
    jpeg_start_decompress(&job->Info);
    return true;
}

bool JpegReadRow(TJpegJob* job, JSAMPROW row) {
    if (setjmp(job->Jump)) return false;
    if (jpeg_read_scanlines(&job->Info, &row, 1) == 1) return true;
    // Only a suspending data source returns no line; the stdio source never suspends.
    std::snprintf(job->Message, sizeof job->Message, "decoder returned no data");
    return false;
}

struct TJpegGuard {
    TJpegJob& Job;
    ~TJpegGuard() { jpeg_destroy_decompress(&Job.Info); }
};

[[noreturn]] void FailJpeg(const std::string& path, const TJpegJob& job) {
    if (job.Truncated) Fail(path, "truncated JPEG data");
    Fail(path, std::string("invalid JPEG data: ") + job.Message);
}

}  // namespace

TGrayImage ReadJpeg(const std::string& path, std::FILE* file) {
    TJpegJob job;
    std::memset(&job.Info, 0, sizeof job.Info);
    job.Info.err = jpeg_std_error(&job.Err);
    job.Err.error_exit = JpegErrorExit;
    job.Err.emit_message = JpegEmitMessage;
    job.Progress = jpeg_progress_mgr{};
    job.Progress.progress_monitor = JpegProgress;
    TJpegGuard guard{job};

    const std::int64_t fileSize = BytesLeft(file);
    if (!JpegReadHeader(&job, file)) FailJpeg(path, job);
    CheckImageSize(path, job.Info.image_width, job.Info.image_height);

    switch (job.Info.jpeg_color_space) {
        case JCS_GRAYSCALE: job.Info.out_color_space = JCS_GRAYSCALE; break;
        case JCS_CMYK:
        case JCS_YCCK: Fail(path, "unsupported JPEG: CMYK colour");
        default: job.Info.out_color_space = JCS_RGB; break;
    }
    // Multi-scan files are buffered whole as coefficients (about 2 to 6 bytes per pixel).
    // Bound that by what the file can plausibly describe, so a small file with a big header
    // fails instead of reserving gigabytes; real files stay far below 1000 pixels per byte.
    const std::int64_t budget = std::max<std::int64_t>(std::int64_t(1) << 30, fileSize * 1024);
    job.Info.mem->max_memory_to_use = static_cast<long>(std::min<std::int64_t>(budget, std::int64_t(16) << 30));

    if (!JpegStart(&job)) {
        if (job.Code == JERR_NO_BACKING_STORE)
            Fail(path, "invalid JPEG data: " + std::to_string(job.Info.image_width) + " x " +
                           std::to_string(job.Info.image_height) + " is far more than the file holds");
        FailJpeg(path, job);
    }
    const auto w = static_cast<std::int32_t>(job.Info.output_width);
    const auto h = static_cast<std::int32_t>(job.Info.output_height);
    const int channels = job.Info.output_components;
    if (channels != 1 && channels != 3) Fail(path, "unsupported JPEG: " + std::to_string(channels) + " channels");

    std::vector<JSAMPLE> row(static_cast<std::size_t>(w) * static_cast<std::size_t>(channels));
    TRowStore<std::uint8_t> gray(w, h);
    for (std::int32_t y = 0; y < h; ++y) {
        if (!JpegReadRow(&job, row.data())) FailJpeg(path, job);
        std::uint8_t* out = gray.Row(y);
        if (channels == 1) {
            std::memcpy(out, row.data(), static_cast<std::size_t>(w));
        } else {
            const JSAMPLE* p = row.data();
            for (std::int32_t x = 0; x < w; ++x, p += 3) out[x] = Gray3(p[0], p[1], p[2]);
        }
    }
    // Whatever follows the last scan line (trailing markers, a missing EOI) does not matter.
    TGrayImage image;
    image.Width = w;
    image.Height = h;
    image.Pixels = gray.Take();
    return image;
}

}  // namespace imagefile
