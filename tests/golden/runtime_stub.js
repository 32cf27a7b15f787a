// runtime stub: the lines before the export block are inlined
function println(s) { console.log(s); }
  export { println };
function after_export() {}
export default {};
