"""The service's portal pages, as the client's browser windows are steered by them: HTML pages in
code page 932 served by path, each of them a list of links (ordinary ones and links of the
client's private URL scheme). Every request is logged; a path with no page answers 404.

    peer = PortalPeer(log_path=...).start()
    peer.put_page("/member", "会員", [("鈴木さんに送る", "x-vyrntalk:pri_msg?id=...&name=..."), ...])
"""
import html
import threading

from .http import HttpPeer


def render(title, links):
    items = "".join(f'<li><a href="{html.escape(href, quote=True)}">{html.escape(text)}</a></li>\r\n'
                    for text, href in links)
    page = (f'<html><head><meta http-equiv="Content-Type" content="text/html; charset=Shift_JIS">'
            f"<title>{html.escape(title)}</title></head>\r\n<body><ul>\r\n{items}</ul></body></html>\r\n")
    return page.encode("cp932")


class PortalPeer(HttpPeer):
    name = "portal"

    def __init__(self, *args, **kwargs):
        super().__init__(*args, **kwargs)
        self._pages = {}
        self._pages_lock = threading.Lock()
        self.put_page("/", "portal", [])

    def put_page(self, path, title, links):
        """links: (text, address) pairs shown in order."""
        with self._pages_lock:
            self._pages[path] = (title, list(links))

    def links(self, path):
        with self._pages_lock:
            return list(self._pages[path][1])

    def gets(self, path):
        """The logged requests for the path (query included), oldest first."""
        return [r for r in self.requests_of("http-request") if r.get("path") == path]

    def handle_http(self, request):
        path = request.path.split("#", 1)[0]
        with self._pages_lock:
            page = self._pages.get(path)
        if page is None:
            return 404, {"Content-Type": "text/plain"}, b"no such page"
        return 200, {"Content-Type": "text/html; charset=Shift_JIS"}, render(*page)


PEER = PortalPeer
