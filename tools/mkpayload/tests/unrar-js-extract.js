// Extracts every entry of a RAR archive with node-unrar-js and writes entry i's bytes to OUT_DIR/i,
// printing "i<TAB>size" per entry. Usage: node unrar-js-extract.js MODULE_DIR ARCHIVE OUT_DIR
'use strict';
const fs = require('fs');
const path = require('path');

async function main() {
    const [moduleDir, archive, outDir] = process.argv.slice(2);
    const unrar = require(path.resolve(moduleDir));
    const data = Uint8Array.from(fs.readFileSync(archive)).buffer;
    const extractor = await unrar.createExtractorFromData({ data });
    const { files } = extractor.extract();
    let index = 0;
    for (const file of files) {
        const bytes = file.extraction ?? new Uint8Array(0);
        fs.writeFileSync(path.join(outDir, String(index)), bytes);
        console.log(`${index}\t${bytes.length}`);
        ++index;
    }
}

main().catch((error) => {
    console.error(String(error && error.reason ? `${error.reason}: ${error.message}` : error));
    process.exit(1);
});
