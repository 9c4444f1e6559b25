// The page's resources found with gumbo (the browsers' HTML parsing rules) and a small scanner
// of CSS url() references.
#include "resource_finder.h"

#include <gumbo.h>

#include <strings.h>

#include <cctype>
#include <cstring>
#include <utility>

namespace webarchive {

namespace {

bool isSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f';
}

std::string trimmed(std::string_view text) {
    size_t start = 0, end = text.size();
    while (start < end && isSpace(text[start]))
        ++start;
    while (end > start && isSpace(text[end - 1]))
        --end;
    return std::string(text.substr(start, end - start));
}

bool startsWithNoCase(std::string_view text, size_t at, std::string_view word) {
    if (text.size() - at < word.size()) return false;
    for (size_t i = 0; i < word.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(text[at + i])) != word[i]) return false;
    return true;
}

// A quoted CSS string or a url() body starting at i (after blanks); i moves past it.
std::string cssToken(std::string_view css, size_t& i, char end) {
    while (i < css.size() && isSpace(css[i]))
        ++i;
    if (i < css.size() && (css[i] == '"' || css[i] == '\'')) {
        const char quote = css[i++];
        const size_t close = css.find(quote, i);
        const size_t stop = close == std::string_view::npos ? css.size() : close;
        std::string text(css.substr(i, stop - i));
        i = stop == css.size() ? stop : stop + 1;
        return trimmed(text);
    }
    if (end == 0) return {};
    const size_t close = css.find(end, i);
    const size_t stop = close == std::string_view::npos ? css.size() : close;
    std::string text = trimmed(css.substr(i, stop - i));
    i = stop;
    return text;
}

class Walker {
  public:
    explicit Walker(PageResources& page) : page_(page) {}

    void element(const GumboElement& e) {
        switch (e.tag) {
        case GUMBO_TAG_IMG:
            add(e, "src", ResourceKind::Image);
            srcset(e);
            break;
        case GUMBO_TAG_SOURCE:
            srcset(e);
            add(e, "src", isParent(GUMBO_TAG_AUDIO) ? ResourceKind::Sound : ResourceKind::Image);
            break;
        case GUMBO_TAG_INPUT:
            if (attr(e, "type") && strcasecmp(attr(e, "type"), "image") == 0)
                add(e, "src", ResourceKind::Image);
            break;
        case GUMBO_TAG_BODY:
        case GUMBO_TAG_TABLE:
        case GUMBO_TAG_TD:
        case GUMBO_TAG_TH:
            add(e, "background", ResourceKind::Image);
            break;
        case GUMBO_TAG_VIDEO:
            add(e, "poster", ResourceKind::Image);
            add(e, "src", ResourceKind::Object);
            break;
        case GUMBO_TAG_AUDIO:
        case GUMBO_TAG_BGSOUND:
            add(e, "src", ResourceKind::Sound);
            break;
        case GUMBO_TAG_LINK:
            link(e);
            break;
        case GUMBO_TAG_SCRIPT:
            add(e, "src", ResourceKind::Script);
            break;
        case GUMBO_TAG_FRAME:
        case GUMBO_TAG_IFRAME:
            add(e, "src", ResourceKind::Frame);
            break;
        case GUMBO_TAG_EMBED:
            add(e, "src", ResourceKind::Object);
            break;
        case GUMBO_TAG_OBJECT:
            add(e, "data", ResourceKind::Object);
            break;
        case GUMBO_TAG_BASE:
            if (page_.base.empty() && attr(e, "href")) page_.base = trimmed(attr(e, "href"));
            break;
        case GUMBO_TAG_STYLE:
            for (unsigned i = 0; i < e.children.length; ++i) {
                auto* child = static_cast<const GumboNode*>(e.children.data[i]);
                if (child->type == GUMBO_NODE_TEXT) css(child->v.text.text, ResourceKind::Image);
            }
            break;
        case GUMBO_TAG_TITLE:
            if (page_.title.empty() && e.children.length > 0) {
                auto* child = static_cast<const GumboNode*>(e.children.data[0]);
                if (child->type == GUMBO_NODE_TEXT) page_.title = trimmed(child->v.text.text);
            }
            break;
        default:
            break;
        }
        if (const char* style = attr(e, "style")) css(style, ResourceKind::Image);
    }

    // Depth first in document order, without recursion (markup may nest without bound).
    void walk(const GumboNode* root) {
        std::vector<std::pair<const GumboNode*, unsigned>> stack{{root, 0}};
        while (!stack.empty()) {
            auto& [node, next] = stack.back();
            if (node->type != GUMBO_NODE_ELEMENT && node->type != GUMBO_NODE_TEMPLATE) {
                stack.pop_back();
                continue;
            }
            const GumboElement& e = node->v.element;
            if (next == 0) {
                parents_.resize(stack.size() - 1);
                element(e);
                parents_.push_back(e.tag);
            }
            if (next >= e.children.length) {
                stack.pop_back();
                continue;
            }
            auto* child = static_cast<const GumboNode*>(e.children.data[next++]);
            stack.emplace_back(child, 0);
        }
    }

  private:
    static const char* attr(const GumboElement& e, const char* name) {
        const GumboAttribute* a = gumbo_get_attribute(&e.attributes, name);
        return a ? a->value : nullptr;
    }
    bool isParent(GumboTag tag) const { return !parents_.empty() && parents_.back() == tag; }

    void push(std::string reference, ResourceKind kind) {
        if (!reference.empty()) page_.resources.push_back({std::move(reference), kind});
    }
    void add(const GumboElement& e, const char* name, ResourceKind kind) {
        if (const char* value = attr(e, name)) push(trimmed(value), kind);
    }
    void srcset(const GumboElement& e) {
        if (const char* value = attr(e, "srcset"))
            for (std::string& address : SrcsetAddresses(value))
                push(std::move(address), ResourceKind::Image);
    }
    void css(std::string_view text, ResourceKind kind) {
        for (std::string& address : FindCssReferences(text))
            push(std::move(address), kind);
    }
    // Style sheets and icons; other relations (next, canonical, preload...) are not needed to
    // show the page.
    void link(const GumboElement& e) {
        const char* rel = attr(e, "rel");
        if (!rel) return;
        std::string words = " " + std::string(rel) + " ";
        for (char& c : words)
            c = isSpace(c) ? ' ' : static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        if (words.find(" stylesheet ") != std::string::npos)
            add(e, "href", ResourceKind::StyleSheet);
        else if (words.find(" icon ") != std::string::npos)
            add(e, "href", ResourceKind::Image);
    }

    PageResources& page_;
    std::vector<GumboTag> parents_;
};

} // namespace

PageResources FindHtmlResources(std::string_view html) {
    PageResources page;
    GumboOutput* output = gumbo_parse_with_options(&kGumboDefaultOptions, html.data(), html.size());
    if (!output) return page;
    Walker(page).walk(output->root);
    gumbo_destroy_output(&kGumboDefaultOptions, output);
    return page;
}

std::vector<std::string> FindCssReferences(std::string_view css) {
    std::vector<std::string> found;
    size_t i = 0;
    while (i < css.size()) {
        if (css.compare(i, 2, "/*") == 0) {
            const size_t end = css.find("*/", i + 2);
            i = end == std::string_view::npos ? css.size() : end + 2;
        } else if (css[i] == '"' || css[i] == '\'') {
            cssToken(css, i, 0); // a string outside url() and @import is no reference
        } else if (startsWithNoCase(css, i, "url(")) {
            i += 4;
            std::string address = cssToken(css, i, ')');
            if (!address.empty()) found.push_back(std::move(address));
        } else if (startsWithNoCase(css, i, "@import")) {
            i += 7;
            size_t at = i;
            while (at < css.size() && isSpace(css[at]))
                ++at;
            if (at < css.size() && (css[at] == '"' || css[at] == '\'')) {
                i = at;
                std::string address = cssToken(css, i, 0);
                if (!address.empty()) found.push_back(std::move(address));
            }
        } else {
            ++i;
        }
    }
    return found;
}

std::vector<std::string> SrcsetAddresses(std::string_view srcset) {
    std::vector<std::string> found;
    size_t i = 0;
    while (i < srcset.size()) {
        while (i < srcset.size() && (isSpace(srcset[i]) || srcset[i] == ','))
            ++i;
        const size_t start = i;
        while (i < srcset.size() && !isSpace(srcset[i]))
            ++i;
        std::string_view address = srcset.substr(start, i - start);
        const bool commaEnded = !address.empty() && address.back() == ',';
        while (!address.empty() && address.back() == ',')
            address.remove_suffix(1);
        if (!address.empty()) found.emplace_back(address);
        if (commaEnded) continue;
        // The descriptors run to the next comma outside parentheses.
        int depth = 0;
        for (; i < srcset.size(); ++i) {
            if (srcset[i] == '(') ++depth;
            if (srcset[i] == ')' && depth > 0) --depth;
            if (srcset[i] == ',' && depth == 0) break;
        }
    }
    return found;
}

} // namespace webarchive
