// The MIME HTML message written with GMime, the way browsers save a page: one
// multipart/related message whose first part is the page.
#include <gmime/gmime.h>

#include <mutex>

#include "web_archive.h"

namespace webarchive {

namespace {

void gmimeInit() {
    static std::once_flag once;
    std::call_once(once, [] { g_mime_init(); });
}

bool isText(const std::string& type) {
    return type.rfind("text/", 0) == 0 || type == "application/javascript" ||
           type == "application/xhtml+xml" || type == "image/svg+xml";
}

GMimePart* makePart(const ArchivePart& source) {
    std::string type = source.contentType.empty() ? "application/octet-stream" : source.contentType;
    const size_t slash = type.find('/');
    if (slash == std::string::npos) type = "application/octet-stream";
    const std::string major = type.substr(0, type.find('/')),
                      minor = type.substr(type.find('/') + 1);
    GMimePart* part = g_mime_part_new_with_type(major.c_str(), minor.c_str());
    if (!source.charset.empty() && isText(type))
        g_mime_object_set_content_type_parameter(GMIME_OBJECT(part), "charset",
                                                 source.charset.c_str());
    g_mime_object_set_header(GMIME_OBJECT(part), "Content-Location", source.location.c_str(),
                             nullptr);
    GMimeStream* stream = g_mime_stream_mem_new_with_buffer(source.body.data(), source.body.size());
    GMimeDataWrapper* content =
        g_mime_data_wrapper_new_with_stream(stream, GMIME_CONTENT_ENCODING_DEFAULT);
    g_mime_part_set_content(part, content);
    g_object_unref(content);
    g_object_unref(stream);
    g_mime_part_set_content_encoding(part, isText(type) ? GMIME_CONTENT_ENCODING_QUOTEDPRINTABLE
                                                        : GMIME_CONTENT_ENCODING_BASE64);
    return part;
}

} // namespace

std::string WriteMhtml(const std::vector<ArchivePart>& parts, const std::string& title) {
    gmimeInit();
    GMimeMessage* message = g_mime_message_new(TRUE);
    g_mime_message_add_mailbox(message, GMIME_ADDRESS_TYPE_FROM, "Saved by Tessaly",
                               "tessaly@localhost");
    g_mime_message_set_subject(message, title.c_str(), "utf-8");
    GDateTime* now = g_date_time_new_now_local();
    g_mime_message_set_date(message, now);
    g_date_time_unref(now);
    if (!parts.empty())
        g_mime_object_set_header(GMIME_OBJECT(message), "Snapshot-Content-Location",
                                 parts.front().location.c_str(), nullptr);
    GMimeMultipart* related = g_mime_multipart_new_with_subtype("related");
    g_mime_object_set_content_type_parameter(GMIME_OBJECT(related), "type", "text/html");
    for (const ArchivePart& source : parts) {
        GMimePart* part = makePart(source);
        g_mime_multipart_add(related, GMIME_OBJECT(part));
        g_object_unref(part);
    }
    g_mime_message_set_mime_part(message, GMIME_OBJECT(related));
    g_object_unref(related);

    GMimeFormatOptions* options = g_mime_format_options_new();
    g_mime_format_options_set_newline_format(options, GMIME_NEWLINE_FORMAT_DOS);
    GMimeStream* out = g_mime_stream_mem_new();
    g_mime_object_write_to_stream(GMIME_OBJECT(message), options, out);
    GByteArray* bytes = g_mime_stream_mem_get_byte_array(GMIME_STREAM_MEM(out));
    std::string text(reinterpret_cast<const char*>(bytes->data), bytes->len);
    g_object_unref(out);
    g_mime_format_options_free(options);
    g_object_unref(message);
    return text;
}

} // namespace webarchive
