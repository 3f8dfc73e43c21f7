"""The portal peer: pages by path in code page 932, links escaped as HTML, every request logged."""

import html.parser
import urllib.error
import urllib.request

import pytest

from nvpeers.portal import PortalPeer


class Links(html.parser.HTMLParser):
    def __init__(self):
        super().__init__()
        self.links, self._href = [], None

    def handle_starttag(self, tag, attrs):
        if tag == "a":
            self._href = dict(attrs)["href"]

    def handle_data(self, data):
        if self._href is not None:
            self.links.append((data, self._href))
            self._href = None


def get(peer, path):
    return urllib.request.urlopen(f"http://127.0.0.1:{peer.port}{path}", timeout=5)


def test_a_page_holds_its_links_in_order_and_in_code_page_932():
    links = [("鈴木さんに送る", "x-vyrntalk:pri_msg?id=FEDCBA9876543210&name=鈴木ぼく"),
             ("<壊れた> & \"リンク\"", "x-vyrntalk:url_chat?url=a&b=\"c\"<d>"),
             ("普通のページ", "http://127.0.0.1/other")]
    with PortalPeer() as peer:
        peer.put_page("/member", "会員", links)
        reply = get(peer, "/member")
        assert reply.headers["Content-Type"] == "text/html; charset=Shift_JIS"
        parser = Links()
        parser.feed(reply.read().decode("cp932"))
        assert parser.links == links
        assert [r["path"] for r in peer.gets("/member")] == ["/member"]


@pytest.mark.parametrize("path", ["/nothing", "/member/", "/Member"])
def test_a_path_without_a_page_is_not_found_and_still_logged(path):
    with PortalPeer() as peer:
        peer.put_page("/member", "会員", [])
        with pytest.raises(urllib.error.HTTPError) as failure:
            get(peer, path)
        assert failure.value.code == 404
        assert [r["path"] for r in peer.requests_of("http-request")] == [path]


def test_a_page_put_again_replaces_the_old_one():
    with PortalPeer() as peer:
        peer.put_page("/", "一", [("a", "http://127.0.0.1/a")])
        peer.put_page("/", "二", [("b", "http://127.0.0.1/b")])
        parser = Links()
        parser.feed(get(peer, "/").read().decode("cp932"))
        assert parser.links == [("b", "http://127.0.0.1/b")] == peer.links("/")
