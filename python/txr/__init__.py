"""txr: text as the label printer prints it with its bitmap fonts.

    import txr
    r = txr.Renderer()                      # the bundled font set; or Renderer(fonts="dir/")
    r.size(b"LOT 42")                       # (width, height) in dots
    image = r.render(b"LOT 42", family=2, font=1, scale=(2, 2), invert=True)
    r.render(txr.encode("Größe", family=1, charset=8), family=1, charset=8)  # Unicode in
    image.width, image.height, image.rows   # one-bit rows, top first, set bit = ink
    image.to_pil().save("lot.png")          # with Pillow
    label = txr.Label.from_json(open("label.json").read())
    image, problems = label.render(r)
"""
from ._txr import Image, Label, Renderer, SelectionError, encode

__all__ = ["Image", "Label", "Renderer", "SelectionError", "encode"]
