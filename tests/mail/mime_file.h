#pragma once
// Saved messages (drafts, web archives) read back with GMime, each part's content decoded.
#include <fcntl.h>
#include <gmime/gmime.h>

#include <string>
#include <vector>

namespace tessaly::testing {

struct MimePart {
    std::string type, encoding, name, location, body;
};

struct MimeFile {
    std::string subject, unsent; // the Subject and X-Unsent headers
    std::vector<MimePart> parts; // in order
};

inline MimeFile ReadMimeFile(const std::string& path) {
    g_mime_init();
    static constexpr auto text = [](const char* t) { return std::string(t ? t : ""); };
    MimeFile file;
    GMimeStream* stream = g_mime_stream_fs_open(path.c_str(), O_RDONLY, 0, nullptr);
    if (!stream) return file;
    GMimeParser* parser = g_mime_parser_new_with_stream(stream);
    GMimeMessage* message = g_mime_parser_construct_message(parser, nullptr);
    g_object_unref(parser);
    g_object_unref(stream);
    if (!message) return file;
    file.subject = text(g_mime_message_get_subject(message));
    file.unsent = text(g_mime_object_get_header(GMIME_OBJECT(message), "X-Unsent"));
    auto collect = [](GMimeObject*, GMimeObject* object, gpointer into) {
        if (!GMIME_IS_PART(object)) return;
        GMimePart* part = GMIME_PART(object);
        GMimeStream* out = g_mime_stream_mem_new();
        g_mime_data_wrapper_write_to_stream(g_mime_part_get_content(part), out);
        GByteArray* bytes = g_mime_stream_mem_get_byte_array(GMIME_STREAM_MEM(out));
        gchar* type = g_mime_content_type_get_mime_type(g_mime_object_get_content_type(object));
        static_cast<MimeFile*>(into)->parts.push_back(
            {type, text(g_mime_content_encoding_to_string(g_mime_part_get_content_encoding(part))),
             text(g_mime_part_get_filename(part)), text(g_mime_part_get_content_location(part)),
             std::string(reinterpret_cast<char*>(bytes->data), bytes->len)});
        g_free(type);
        g_object_unref(out);
    };
    g_mime_message_foreach(message, collect, &file);
    g_object_unref(message);
    return file;
}

} // namespace tessaly::testing
