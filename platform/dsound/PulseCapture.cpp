#include "platform/dsound/PulseCapture.h"

#include <pulse/pulseaudio.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <vector>

namespace {

constexpr int HighPriorityNice = -10;

class PulseCapture : public AudioStream {
public:
    explicit PulseCapture(CaptureCallback feed) : feed_(std::move(feed)) {}
    ~PulseCapture() override { close(); }
    PulseCapture(const PulseCapture&) = delete;
    PulseCapture& operator=(const PulseCapture&) = delete;

    bool open(const std::string& device, const DeviceFormat& wanted, DeviceFormat& got) {
        got = wanted;
        format_ = got;
        loop_ = pa_threaded_mainloop_new();
        if (!loop_) return false;
        context_ = pa_context_new(pa_threaded_mainloop_get_api(loop_), "Vortamix");
        if (!context_) return false;
        pa_context_set_state_callback(context_, &PulseCapture::contextChanged, this);
        if (pa_context_connect(context_, nullptr, PA_CONTEXT_NOFLAGS, nullptr) < 0) return false;
        if (pa_threaded_mainloop_start(loop_) < 0) return false;
        pa_threaded_mainloop_lock(loop_);
        const bool connected = awaitContext() && connectStream(device);
        pa_threaded_mainloop_unlock(loop_);
        return connected;
    }

    void close() override {
        if (!loop_) return;
        pa_threaded_mainloop_lock(loop_);
        // With the lock held no callback runs, and none runs after this.
        if (silenceTimer_) pa_threaded_mainloop_get_api(loop_)->time_free(silenceTimer_);
        silenceTimer_ = nullptr;
        if (stream_) {
            pa_stream_set_state_callback(stream_, nullptr, nullptr);
            pa_stream_set_read_callback(stream_, nullptr, nullptr);
            pa_stream_disconnect(stream_);
            pa_stream_unref(stream_);
            stream_ = nullptr;
        }
        if (context_) {
            pa_context_set_state_callback(context_, nullptr, nullptr);
            pa_context_disconnect(context_);
            pa_context_unref(context_);
            context_ = nullptr;
        }
        pa_threaded_mainloop_unlock(loop_);
        pa_threaded_mainloop_stop(loop_);
        pa_threaded_mainloop_free(loop_);
        loop_ = nullptr;
    }

private:
    int frameBytes() const { return format_.channels * 2; }

    bool awaitContext() {
        for (;;) {
            const pa_context_state_t state = pa_context_get_state(context_);
            if (state == PA_CONTEXT_READY) return true;
            if (!PA_CONTEXT_IS_GOOD(state)) return false;
            pa_threaded_mainloop_wait(loop_);
        }
    }

    // SDL names a source by its description; the server wants its name.
    bool findSource(const std::string& description, std::string& name) {
        struct Search {
            PulseCapture* self;
            const std::string& wanted;
            std::string& found;
            bool seen = false;
        } search{this, description, name};
        pa_operation* listing = pa_context_get_source_info_list(
            context_,
            [](pa_context*, const pa_source_info* info, int, void* data) {
                auto* s = static_cast<Search*>(data);
                if (info && info->description && s->wanted == info->description && !s->seen) {
                    s->found = info->name;
                    s->seen = true;
                }
                pa_threaded_mainloop_signal(s->self->loop_, 0);
            },
            &search);
        if (!listing) return false;
        while (pa_operation_get_state(listing) == PA_OPERATION_RUNNING)
            pa_threaded_mainloop_wait(loop_);
        pa_operation_unref(listing);
        return search.seen;
    }

    bool connectStream(const std::string& device) {
        std::string source;
        if (!device.empty() && !findSource(device, source)) return false;
        const pa_sample_spec spec{PA_SAMPLE_S16NE, static_cast<std::uint32_t>(format_.rate),
                                  static_cast<std::uint8_t>(format_.channels)};
        stream_ = pa_stream_new(context_, "capture", &spec, nullptr);
        if (!stream_) return false;
        pa_stream_set_state_callback(stream_, &PulseCapture::streamChanged, this);
        pa_stream_set_read_callback(stream_, &PulseCapture::readable, this);
        pa_buffer_attr attributes;
        attributes.maxlength = static_cast<std::uint32_t>(-1);
        attributes.tlength = static_cast<std::uint32_t>(-1);
        attributes.prebuf = static_cast<std::uint32_t>(-1);
        attributes.minreq = static_cast<std::uint32_t>(-1);
        attributes.fragsize = static_cast<std::uint32_t>(format_.frames * frameBytes());
        if (pa_stream_connect_record(stream_, source.empty() ? nullptr : source.c_str(), &attributes,
                                     PA_STREAM_ADJUST_LATENCY) < 0)
            return false;
        for (;;) {
            const pa_stream_state_t state = pa_stream_get_state(stream_);
            if (state == PA_STREAM_READY) return true;
            if (!PA_STREAM_IS_GOOD(state)) return false;
            pa_threaded_mainloop_wait(loop_);
        }
    }

    static void contextChanged(pa_context*, void* data) {
        auto* self = static_cast<PulseCapture*>(data);
        if (!PA_CONTEXT_IS_GOOD(pa_context_get_state(self->context_))) self->feedSilenceFromNowOn();
        pa_threaded_mainloop_signal(self->loop_, 0);
    }

    static void streamChanged(pa_stream* stream, void* data) {
        auto* self = static_cast<PulseCapture*>(data);
        if (!PA_STREAM_IS_GOOD(pa_stream_get_state(stream))) self->feedSilenceFromNowOn();
        pa_threaded_mainloop_signal(self->loop_, 0);
    }

    // Everything the server has sent goes to the feed at once: the capture cursor then stands
    // where the source is, however late this thread woke.
    static void readable(pa_stream* stream, size_t, void* data) {
        auto* self = static_cast<PulseCapture*>(data);
        self->raisePriority();
        const void* bytes = nullptr;
        size_t length = 0;
        while (pa_stream_readable_size(stream) > 0 && pa_stream_peek(stream, &bytes, &length) == 0 &&
               length > 0) {
            const int frames = static_cast<int>(length) / self->frameBytes();
            // A hole is sound the server lost; silence keeps the frames after it in place.
            if (bytes)
                self->feed_(static_cast<const std::int16_t*>(bytes), frames);
            else
                self->feedSilence(frames);
            pa_stream_drop(stream);
        }
    }

    // The stream's thread is the server's, made without a priority of its own. Like the
    // device threads SDL raises for its own streams, it goes before ordinary work where the
    // system allows it, so a busy machine does not hold the sound back.
    void raisePriority() {
        if (raised_) return;
        raised_ = true;
        ::setpriority(PRIO_PROCESS, static_cast<id_t>(::syscall(SYS_gettid)), HighPriorityNice);
    }

    void feedSilence(int frames) {
        silence_.assign(static_cast<std::size_t>(frames) * static_cast<std::size_t>(format_.channels), 0);
        feed_(silence_.data(), frames);
    }

    void feedSilenceFromNowOn() {
        if (silenceTimer_ || !loop_ || !stream_) return;
        pa_mainloop_api* api = pa_threaded_mainloop_get_api(loop_);
        timeval due;
        pa_gettimeofday(&due);
        silenceTimer_ = api->time_new(api, &due, &PulseCapture::silenceDue, this);
    }

    static void silenceDue(pa_mainloop_api* api, pa_time_event* event, const timeval* due, void* data) {
        auto* self = static_cast<PulseCapture*>(data);
        self->feedSilence(self->format_.frames);
        timeval next = *due;
        pa_timeval_add(&next, static_cast<pa_usec_t>(self->format_.frames) * PA_USEC_PER_SEC /
                                  static_cast<pa_usec_t>(self->format_.rate));
        api->time_restart(event, &next);
    }

    CaptureCallback feed_;
    DeviceFormat format_;
    pa_threaded_mainloop* loop_ = nullptr;
    pa_context* context_ = nullptr;
    pa_stream* stream_ = nullptr;
    pa_time_event* silenceTimer_ = nullptr; // mainloop thread, or with its lock held
    std::vector<std::int16_t> silence_;     // mainloop thread
    bool raised_ = false;                   // mainloop thread
};

} // namespace

std::unique_ptr<AudioStream> OpenPulseCapture(const std::string& device, const DeviceFormat& wanted,
                                              DeviceFormat& got, CaptureCallback feed) {
    auto stream = std::make_unique<PulseCapture>(std::move(feed));
    if (!stream->open(device, wanted, got)) return nullptr;
    return stream;
}
