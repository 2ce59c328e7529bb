// Dumps every user table of an old-engine file (Jet 3.0/4.0) as lines for the conversion
// tests, read with mdb-reader (which shares no code with mdbtools):
//   T <tab> table name
//   C <tab> column name <tab> type <tab> size <tab> precision <tab> scale <tab> auto
//   R <tab> one token per column, tab-separated
// Tokens: N (null), B:true|false, I:<integer>, F:<double, shortest round trip>,
// D:<milliseconds since 1970 UTC>, S:<UTF-8 as hex>, X:<bytes as hex>.
import MDBReader from "mdb-reader";
import { readFileSync } from "node:fs";

const hex = (buffer) => Buffer.from(buffer).toString("hex");

function token(value, type) {
  if (value === null || value === undefined) return "N";
  if (typeof value === "boolean") return `B:${value}`;
  if (value instanceof Date) return `D:${value.getTime()}`;
  if (Buffer.isBuffer(value) || value instanceof Uint8Array) return `X:${hex(value)}`;
  if (typeof value === "bigint") return `I:${value}`;
  if (typeof value === "number") {
    return type === "float" || type === "double" ? `F:${value}` : `I:${value}`;
  }
  return `S:${hex(Buffer.from(String(value), "utf8"))}`;
}

const reader = new MDBReader(readFileSync(process.argv[2]));
const lines = [];
for (const name of reader.getTableNames()) {
  const table = reader.getTable(name);
  const columns = table.getColumns();
  lines.push(`T\t${name}`);
  for (const c of columns) {
    lines.push(["C", c.name, c.type, c.size, c.precision ?? 0, c.scale ?? 0,
                c.autoLong || c.autoUUID ? 1 : 0].join("\t"));
  }
  for (const row of table.getData()) {
    lines.push(["R", ...columns.map((c) => token(row[c.name], c.type))].join("\t"));
  }
}
process.stdout.write(lines.join("\n") + "\n");
