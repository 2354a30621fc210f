#!/usr/bin/env node
// Turns the airports of the npm package airport-data-js into the program's airports file.
// Run once by hand; the result is committed as input/airports_p3d.xml beside its notice.
//
//   mkdir /tmp/ad && cd /tmp/ad && npm pack airport-data-js@4.0.0 && tar xzf airport-data-js-4.0.0.tgz
//   node tools/airportsfile/convert.js /tmp/ad/package input/airports_p3d.xml
//
// Only airports with a four-character ICAO code are taken (the package also lists local
// codes such as 80F). Where the package knows no elevation, the file says 0 feet: the
// program takes the elevation of a park airport from its stand file, not from here.
'use strict';
const fs = require('fs');
const path = require('path');

function xmlEscape(text) {
  return text.replace(/&/g, '&amp;').replace(/</g, '&lt;').replace(/>/g, '&gt;').replace(/"/g, '&quot;');
}

async function main() {
  const [packageFolder, outFile] = process.argv.slice(2);
  if (!packageFolder || !outFile) {
    console.error('usage: convert.js PACKAGE_FOLDER OUT_FILE');
    process.exit(2);
  }
  const data = require(path.resolve(packageFolder, 'lib', 'index.js'));
  const all = await data.findAirports({});
  const airports = all
    .filter((a) => typeof a.icao === 'string' && /^[A-Z0-9]{4}$/.test(a.icao))
    .filter((a) => Number.isFinite(a.latitude) && Number.isFinite(a.longitude))
    .sort((a, b) => (a.icao < b.icao ? -1 : a.icao > b.icao ? 1 : 0));
  const lines = ['<?xml version="1.0" encoding="UTF-8"?>', '<airports>'];
  let previous = '';
  for (const a of airports) {
    if (a.icao === previous) throw new Error(`ICAO code ${a.icao} appears twice`);
    previous = a.icao;
    const alt = Number.isFinite(a.elevation_ft) ? Math.round(a.elevation_ft) : 0;
    const iata = typeof a.iata === 'string' && /^[A-Z0-9]{3}$/.test(a.iata) ? ` iata="${xmlEscape(a.iata)}"` : '';
    lines.push(`  <airport code="${xmlEscape(a.icao)}"${iata} lat="${a.latitude}" lon="${a.longitude}" alt="${alt}"/>`);
  }
  lines.push('</airports>', '');
  fs.writeFileSync(outFile, lines.join('\n'));
  console.log(`${airports.length} airports written to ${outFile}`);
}

main().catch((e) => {
  console.error(e.message);
  process.exit(1);
});
