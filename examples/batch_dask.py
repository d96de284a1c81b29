#!/usr/bin/python3
"""Renders many labels to PNG files on a Dask cluster, one txr.Renderer per worker.

    batch_dask.py --labels DIR -o OUT                      every DIR/*.json to OUT/<name>.png
    batch_dask.py --template T.json --csv ROWS.csv -o OUT  one label per CSV row: "{column}"
                                                           in a field's text takes the row's value;
                                                           a "file" column names the output
    --workers N          a local cluster of N worker processes (default 2)
    --scheduler ADDRESS  an existing cluster instead (tcp://host:8786); see docs/python.md
    --fonts DIR          font directory on the workers (default: the module's bundled set)

The client reads the descriptions and writes the PNG files; workers only render, so they need
the txr module but no shared file system. Labels with problems (refused selections, bytes
without glyphs) are rendered and listed at the end; invalid descriptions are listed and skipped.
Exit status: 0 all written, 1 some labels invalid.
"""
import argparse
import csv
import io
import json
import os
import sys


def render_png(name, description, fonts):
    """Runs on a worker: the label's PNG bytes and its problems, or the error of an invalid one."""
    import txr
    from distributed import get_worker

    try:
        holder = get_worker()
    except ValueError:  # not on a worker: the single-process path
        holder = render_png
    renderers = holder.__dict__.setdefault("_txr_renderers", {})
    if fonts not in renderers:
        renderers[fonts] = txr.Renderer(fonts)
    try:
        label = txr.Label.from_json(description)
    except ValueError as error:
        return name, None, [str(error)]
    image, problems = label.render(renderers[fonts])
    out = io.BytesIO()
    image.to_pil().save(out, format="PNG")
    return name, out.getvalue(), [p["message"] for p in problems]


def labels_from_directory(directory):
    for entry in sorted(os.listdir(directory)):
        if entry.endswith(".json"):
            with open(os.path.join(directory, entry), encoding="utf-8") as f:
                yield entry[: -len(".json")], f.read()


def labels_from_csv(template_path, csv_path):
    with open(template_path, encoding="utf-8") as f:
        template = json.load(f)
    with open(csv_path, newline="", encoding="utf-8") as f:
        for number, row in enumerate(csv.DictReader(f), start=1):
            label = json.loads(json.dumps(template))
            for field in label.get("fields", []):
                if isinstance(field.get("text"), str):
                    field["text"] = field["text"].format_map(row)
            yield row.get("file") or "label-%05d" % number, json.dumps(label)


def main(argv=None):
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    source = parser.add_mutually_exclusive_group(required=True)
    source.add_argument("--labels", metavar="DIR")
    source.add_argument("--template", metavar="JSON")
    parser.add_argument("--csv", metavar="FILE")
    parser.add_argument("-o", "--output", required=True, metavar="DIR")
    parser.add_argument("--workers", type=int, default=2)
    parser.add_argument("--scheduler", metavar="ADDRESS")
    parser.add_argument("--fonts", metavar="DIR")
    args = parser.parse_args(argv)
    if bool(args.template) != bool(args.csv):
        parser.error("--template and --csv go together")

    from distributed import Client, LocalCluster, as_completed, progress

    labels = list(labels_from_directory(args.labels) if args.labels
                  else labels_from_csv(args.template, args.csv))
    os.makedirs(args.output, exist_ok=True)
    if args.scheduler:
        client = Client(args.scheduler)
    else:
        cluster = LocalCluster(n_workers=args.workers, threads_per_worker=1, processes=True,
                               dashboard_address=None, silence_logs=40)
        client = Client(cluster)
    with client:
        futures = [client.submit(render_png, name, text, args.fonts, pure=False)
                   for name, text in labels]
        progress(futures)
        print(file=sys.stderr)
        invalid = 0
        for future in as_completed(futures):
            name, png, messages = future.result()
            for message in messages:
                print("%s: %s" % (name, message), file=sys.stderr)
            if png is None:
                invalid += 1
                continue
            with open(os.path.join(args.output, name + ".png"), "wb") as f:
                f.write(png)
    print("%d labels written to %s" % (len(labels) - invalid, args.output), file=sys.stderr)
    return 1 if invalid else 0


if __name__ == "__main__":
    sys.exit(main())
