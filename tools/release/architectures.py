"""The Windows architectures, read from cmake/windows-architectures.tsv (the
one list of them): architectures() gives a row per architecture, by name."""
import os

FILE = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "cmake", "windows-architectures.tsv")
COLUMNS = ["arch", "processor", "pe_machine", "msi_platform", "msi_folder", "win64", "registry_view",
           "system_folder", "program_files", "windows", "use"]


def architectures():
    rows = {}
    with open(FILE, encoding="utf-8") as table:
        for line in table:
            if line.startswith("#") or not line.strip():
                continue
            row = dict(zip(COLUMNS, line.rstrip("\n").split("\t")))
            rows[row["arch"]] = row
    return rows


if __name__ == "__main__":  # the names, one a line, for the shell scripts
    print("\n".join(architectures()))
