// Gives the page one function, pet.ask(text), and nothing else of Node.
const { contextBridge, ipcRenderer } = require('electron');

contextBridge.exposeInMainWorld('pet', { ask: (text) => ipcRenderer.invoke('pet:ask', text) });
