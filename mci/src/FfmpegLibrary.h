#pragma once

// FFmpeg, loaded with dlopen at the first open of a file it decodes rather than linked: a program
// that plays nothing else (MIDI files, or nothing yet) does not map libavformat, libavcodec,
// libswresample, libavutil and the codecs', networks' and images' libraries they pull in (about
// 90 files, 21 MB of the resident size, and much of the start-up's linking).
//
// Include this instead of FFmpeg's headers: the calls keep FFmpeg's own names, which the macros
// below send through the table of functions looked up at load. Call loadFfmpeg() first; every
// other FFmpeg call is only valid once it has returned true.
extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/channel_layout.h>
#include <libavutil/log.h>
#include <libavutil/mem.h>
#include <libavutil/opt.h>
#include <libswresample/swresample.h>
}

namespace zuvelo::mci {

// The functions the layer calls, by the library that has them.
#define ZUVELO_AVUTIL_FUNCTIONS(X)                                                                                     \
    X(av_log_set_level)                                                                                                \
    X(av_log_set_callback) X(av_log_format_line2) X(av_max_alloc) X(av_dict_set) X(av_dict_set_int) X(av_dict_free)    \
        X(av_frame_alloc) X(av_frame_free) X(av_frame_unref) X(av_channel_layout_default) X(av_channel_layout_copy)    \
            X(av_channel_layout_uninit) X(av_opt_set_double) X(av_rescale) X(av_rescale_q)

#define ZUVELO_SWRESAMPLE_FUNCTIONS(X)                                                                                 \
    X(swr_alloc_set_opts2) X(swr_init) X(swr_convert) X(swr_free) X(swr_get_out_samples)

#define ZUVELO_AVCODEC_FUNCTIONS(X)                                                                                    \
    X(av_packet_alloc)                                                                                                 \
    X(av_packet_free) X(av_packet_unref) X(avcodec_alloc_context3) X(avcodec_free_context)                             \
        X(avcodec_parameters_to_context) X(avcodec_open2) X(avcodec_send_packet) X(avcodec_receive_frame)              \
            X(avcodec_flush_buffers) X(av_get_bits_per_sample)

#define ZUVELO_AVFORMAT_FUNCTIONS(X)                                                                                   \
    X(av_find_input_format)                                                                                            \
    X(avformat_alloc_context) X(avformat_open_input) X(avformat_find_stream_info) X(avformat_close_input)              \
        X(av_find_best_stream) X(av_read_frame) X(av_seek_frame) X(avformat_seek_file) X(avio_size) X(avio_seek)

struct FfmpegFunctions {
#define ZUVELO_FFMPEG_POINTER(name) decltype(&::name) name = nullptr;
    ZUVELO_AVUTIL_FUNCTIONS(ZUVELO_FFMPEG_POINTER)
    ZUVELO_SWRESAMPLE_FUNCTIONS(ZUVELO_FFMPEG_POINTER)
    ZUVELO_AVCODEC_FUNCTIONS(ZUVELO_FFMPEG_POINTER)
    ZUVELO_AVFORMAT_FUNCTIONS(ZUVELO_FFMPEG_POINTER)
#undef ZUVELO_FFMPEG_POINTER
};

// Loads the libraries once (any thread); false, said once on stderr, when one of them or a
// function is missing: files that need FFmpeg then do not open.
bool loadFfmpeg();
// The table; filled once loadFfmpeg() has returned true.
const FfmpegFunctions& ffmpeg();

} // namespace zuvelo::mci

#define av_log_set_level(...) ::zuvelo::mci::ffmpeg().av_log_set_level(__VA_ARGS__)
#define av_log_set_callback(...) ::zuvelo::mci::ffmpeg().av_log_set_callback(__VA_ARGS__)
#define av_log_format_line2(...) ::zuvelo::mci::ffmpeg().av_log_format_line2(__VA_ARGS__)
#define av_max_alloc(...) ::zuvelo::mci::ffmpeg().av_max_alloc(__VA_ARGS__)
#define av_dict_set(...) ::zuvelo::mci::ffmpeg().av_dict_set(__VA_ARGS__)
#define av_dict_set_int(...) ::zuvelo::mci::ffmpeg().av_dict_set_int(__VA_ARGS__)
#define av_dict_free(...) ::zuvelo::mci::ffmpeg().av_dict_free(__VA_ARGS__)
#define av_frame_alloc(...) ::zuvelo::mci::ffmpeg().av_frame_alloc(__VA_ARGS__)
#define av_frame_free(...) ::zuvelo::mci::ffmpeg().av_frame_free(__VA_ARGS__)
#define av_frame_unref(...) ::zuvelo::mci::ffmpeg().av_frame_unref(__VA_ARGS__)
#define av_channel_layout_default(...) ::zuvelo::mci::ffmpeg().av_channel_layout_default(__VA_ARGS__)
#define av_channel_layout_copy(...) ::zuvelo::mci::ffmpeg().av_channel_layout_copy(__VA_ARGS__)
#define av_channel_layout_uninit(...) ::zuvelo::mci::ffmpeg().av_channel_layout_uninit(__VA_ARGS__)
#define av_opt_set_double(...) ::zuvelo::mci::ffmpeg().av_opt_set_double(__VA_ARGS__)
#define av_rescale(...) ::zuvelo::mci::ffmpeg().av_rescale(__VA_ARGS__)
#define av_rescale_q(...) ::zuvelo::mci::ffmpeg().av_rescale_q(__VA_ARGS__)
#define swr_alloc_set_opts2(...) ::zuvelo::mci::ffmpeg().swr_alloc_set_opts2(__VA_ARGS__)
#define swr_init(...) ::zuvelo::mci::ffmpeg().swr_init(__VA_ARGS__)
#define swr_convert(...) ::zuvelo::mci::ffmpeg().swr_convert(__VA_ARGS__)
#define swr_free(...) ::zuvelo::mci::ffmpeg().swr_free(__VA_ARGS__)
#define swr_get_out_samples(...) ::zuvelo::mci::ffmpeg().swr_get_out_samples(__VA_ARGS__)
#define av_packet_alloc(...) ::zuvelo::mci::ffmpeg().av_packet_alloc(__VA_ARGS__)
#define av_packet_free(...) ::zuvelo::mci::ffmpeg().av_packet_free(__VA_ARGS__)
#define av_packet_unref(...) ::zuvelo::mci::ffmpeg().av_packet_unref(__VA_ARGS__)
#define avcodec_alloc_context3(...) ::zuvelo::mci::ffmpeg().avcodec_alloc_context3(__VA_ARGS__)
#define avcodec_free_context(...) ::zuvelo::mci::ffmpeg().avcodec_free_context(__VA_ARGS__)
#define avcodec_parameters_to_context(...) ::zuvelo::mci::ffmpeg().avcodec_parameters_to_context(__VA_ARGS__)
#define avcodec_open2(...) ::zuvelo::mci::ffmpeg().avcodec_open2(__VA_ARGS__)
#define avcodec_send_packet(...) ::zuvelo::mci::ffmpeg().avcodec_send_packet(__VA_ARGS__)
#define avcodec_receive_frame(...) ::zuvelo::mci::ffmpeg().avcodec_receive_frame(__VA_ARGS__)
#define avcodec_flush_buffers(...) ::zuvelo::mci::ffmpeg().avcodec_flush_buffers(__VA_ARGS__)
#define av_get_bits_per_sample(...) ::zuvelo::mci::ffmpeg().av_get_bits_per_sample(__VA_ARGS__)
#define av_find_input_format(...) ::zuvelo::mci::ffmpeg().av_find_input_format(__VA_ARGS__)
#define avformat_alloc_context(...) ::zuvelo::mci::ffmpeg().avformat_alloc_context(__VA_ARGS__)
#define avformat_open_input(...) ::zuvelo::mci::ffmpeg().avformat_open_input(__VA_ARGS__)
#define avformat_find_stream_info(...) ::zuvelo::mci::ffmpeg().avformat_find_stream_info(__VA_ARGS__)
#define avformat_close_input(...) ::zuvelo::mci::ffmpeg().avformat_close_input(__VA_ARGS__)
#define av_find_best_stream(...) ::zuvelo::mci::ffmpeg().av_find_best_stream(__VA_ARGS__)
#define av_read_frame(...) ::zuvelo::mci::ffmpeg().av_read_frame(__VA_ARGS__)
#define av_seek_frame(...) ::zuvelo::mci::ffmpeg().av_seek_frame(__VA_ARGS__)
#define avformat_seek_file(...) ::zuvelo::mci::ffmpeg().avformat_seek_file(__VA_ARGS__)
#define avio_size(...) ::zuvelo::mci::ffmpeg().avio_size(__VA_ARGS__)
#define avio_seek(...) ::zuvelo::mci::ffmpeg().avio_seek(__VA_ARGS__)
// An inline function of avio.h, which would call avio_seek directly.
#define avio_tell(s) avio_seek((s), 0, SEEK_CUR)
