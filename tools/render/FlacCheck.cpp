#include "FlacCheck.h"

#include <FLAC/stream_decoder.h>

namespace
{
struct Decoding
{
    FLAC__uint64 totalSamples = 0; // from STREAMINFO; 0 when unknown
    unsigned sampleRate = 0;
    FLAC__uint64 decodedSamples = 0;
    bool hasError = false;
    FLAC__uint64 errorPosition = 0;
    juce::String error;
    int framesAfterError = 0;
};

juce::String describe (FLAC__StreamDecoderErrorStatus status)
{
    switch (status)
    {
        // clang-format off
        case FLAC__STREAM_DECODER_ERROR_STATUS_LOST_SYNC:          return "the decoder lost sync (missing or corrupted data)";
        case FLAC__STREAM_DECODER_ERROR_STATUS_BAD_HEADER:         return "a corrupted frame header";
        case FLAC__STREAM_DECODER_ERROR_STATUS_FRAME_CRC_MISMATCH: return "a frame fails its checksum";
        case FLAC__STREAM_DECODER_ERROR_STATUS_UNPARSEABLE_STREAM: return "data that cannot be decoded";
        default:                                                   return FLAC__StreamDecoderErrorStatusString[status];
            // clang-format on
    }
}

FLAC__StreamDecoderWriteStatus onWrite (const FLAC__StreamDecoder*, const FLAC__Frame* frame, const FLAC__int32* const[], void* client)
{
    auto& d = *static_cast<Decoding*> (client);
    d.decodedSamples += frame->header.blocksize;
    if (d.hasError)
        ++d.framesAfterError;
    return FLAC__STREAM_DECODER_WRITE_STATUS_CONTINUE;
}

void onMetadata (const FLAC__StreamDecoder*, const FLAC__StreamMetadata* metadata, void* client)
{
    auto& d = *static_cast<Decoding*> (client);
    if (metadata->type == FLAC__METADATA_TYPE_STREAMINFO)
    {
        d.totalSamples = metadata->data.stream_info.total_samples;
        d.sampleRate = metadata->data.stream_info.sample_rate;
    }
}

void onError (const FLAC__StreamDecoder*, FLAC__StreamDecoderErrorStatus status, void* client)
{
    auto& d = *static_cast<Decoding*> (client);
    if (d.hasError)
        return;

    d.hasError = true;
    d.errorPosition = d.decodedSamples;
    d.error = describe (status);
}

juce::String at (const Decoding& d, FLAC__uint64 position)
{
    juce::String text = "sample " + juce::String ((juce::int64) position);
    if (d.sampleRate > 0)
        text << " (" << juce::String ((double) position / (double) d.sampleRate, 2) << " s)";
    return text;
}
} // namespace

juce::String FlacCheck::findDamage (const juce::File& file)
{
    auto* decoder = FLAC__stream_decoder_new();
    if (decoder == nullptr)
        return "cannot start the FLAC decoder";

    Decoding d;
    FLAC__stream_decoder_set_md5_checking (decoder, true);
    if (FLAC__stream_decoder_init_file (decoder, file.getFullPathName().toRawUTF8(), onWrite, onMetadata, onError, &d)
        != FLAC__STREAM_DECODER_INIT_STATUS_OK)
    {
        FLAC__stream_decoder_delete (decoder);
        return "cannot open it as FLAC";
    }

    const bool decoded = FLAC__stream_decoder_process_until_end_of_stream (decoder) != 0;
    // finish checks the MD5 signature, where the stream has one and was decoded whole.
    const bool signatureMatches = FLAC__stream_decoder_finish (decoder) != 0;
    FLAC__stream_decoder_delete (decoder);

    const bool endsEarly = d.totalSamples > 0 && d.decodedSamples < d.totalSamples;
    // A file cut in the middle of a frame ends with an error and no frame after it.
    if (endsEarly && (! d.hasError || d.framesAfterError == 0))
        return "cut short: the audio ends at " + at (d, d.decodedSamples) + " of the " + juce::String ((juce::int64) d.totalSamples) + " its header announces";
    if (d.hasError)
        return "damaged at " + at (d, d.errorPosition) + ": " + d.error;
    if (! decoded)
        return "damaged at " + at (d, d.decodedSamples) + ": the decoder stopped";
    if (! signatureMatches)
        return "damaged: the decoded audio does not match the file's MD5 signature";
    return {};
}
